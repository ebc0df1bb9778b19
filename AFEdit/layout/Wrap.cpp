// Word wrap.
#include "AFEdit/AFEdit.h"
