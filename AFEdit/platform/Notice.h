// Short notices to the user: the system beep, and a tip shown at a point of
// a widget (client pixels) in a message given as UTF-8.
#pragma once

#include <string_view>

#include "AFEdit/platform/Types.h"

class QWidget;

void Beep();
void ShowTip(QWidget* Over, TPoint At, std::string_view Utf8);
