#pragma once

#include <QRgb>
#include <QString>

// The application looks (command ids 205..219) as Qt styles and palettes.
inline constexpr int kDefaultApplicationLook = 207;

struct ApplicationLookStyle {
    QString styleName; // empty: the style the platform chose at start
    QRgb window = 0;   // 0: the style's own palette
    QRgb highlight = 0;
    bool dark = false; // light text on dark panes
};

// The style of a look id; unknown ids get the Office 2007 look (215).
ApplicationLookStyle LookStyleFor(int lookId);

// Sets the application's style and palette. GUI thread only.
void ApplyApplicationLook(int lookId);

// The stored look ("Workspace/ApplicationLook", default 207) and storing one.
int StoredApplicationLook();
void StoreApplicationLook(int lookId);
