#include "ZELVDeskPage.h"
