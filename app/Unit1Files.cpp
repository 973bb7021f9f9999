#include "Unit1.h"

void TForm1::connectFiles() {}

void TForm1::loadSavedAccount() {}

void TForm1::loadMessageText() {}

void TForm1::releaseSavedAccount() {}
