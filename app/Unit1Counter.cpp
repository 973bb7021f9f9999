#include "Unit1.h"

void TForm1::connectCounter() {}
