#pragma once
// The program icon: bitmaps rendered from packaging/zoric-drive-tool.svg at
// build time (as the desktop and Windows icons are), one per size.
#include <QIcon>

QIcon AppIcon();
