// Display columns of Shift-JIS rows with tabs.
#include "AFEdit/AFEdit.h"
