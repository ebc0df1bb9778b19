// Loading and saving documents.
#include "AFEdit/AFEdit.h"
