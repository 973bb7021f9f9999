#include "LastUrl.h"

QString LastUrl;
