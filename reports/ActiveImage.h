#pragma once

// The size in pixels of the picture whose measurements the results pane
// lists: the still view writes it when its picture is opened, changed or
// activated, the live view when it is activated or its frame size changes.
// The results pane shows it when it rebuilds its document properties. 0 × 0
// until a picture is shown. `shownBy` is the view that wrote it, compared
// only: a view that goes or changes size while another window is active must
// leave that window's picture in the pane. GUI thread only.
struct CActiveImage {
    unsigned width = 0;
    unsigned height = 0;
    const void* shownBy = nullptr;
};

extern CActiveImage g_activeImage;
