#pragma once

#include <QString>

// A one-line notice the image views write over the picture in green, at
// (3, 5) of the picture (the live recording announces itself with it). An
// image view that is activated clears it. At most kMaxLength characters are
// shown. GUI thread only.
struct COverlayNotice {
    static constexpr int kMaxLength = 127;
    QString text;
};

extern COverlayNotice g_overlayNotice;
