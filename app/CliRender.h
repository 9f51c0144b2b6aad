#pragma once

#include <QByteArray>
#include <QImage>

class CShapeList;

// Draws every shape of the list in order, at zoom 1 and offset 0 with the
// current line width, on a copy of `picture` (a white picture of width ×
// height when it is null), and returns it encoded as a 24-bit BMP; empty when
// a picture of that size cannot be made. Needs a QGuiApplication (fonts).
QByteArray RenderShapesToBmp(const CShapeList& shapes, const QImage& picture, int width,
                             int height);
