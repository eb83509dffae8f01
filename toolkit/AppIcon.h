#pragma once
// The program icon, drawn rather than loaded so that it needs no image file.
#include <QIcon>

QIcon AppIcon();
