// The tool's icon, drawn by code: a page of INI lines under a padlock.
#pragma once

#include <QImage>

namespace inicrypt::ui {

// The icon at size x size pixels (transparent background).
QImage DrawIcon(int size);

}  // namespace inicrypt::ui
