#include "public/Utility.h"

CUtility& CUtility::operator=(const CUtility& /*other*/) { return *this; }
