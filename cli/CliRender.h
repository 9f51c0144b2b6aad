#pragma once

#include <filesystem>

#include <QString>

class CStillImageDocument;

// Draws every shape of the document with its labels, in order, at zoom 1
// with the current line width, on the document's picture (a white picture
// of width × height when it has none), and writes the result to `path` as a
// 24-bit BMP with the application's own encoder, replacing the file whole.
// False, with `error` naming the problem and any older file left as it was,
// when the picture cannot be made or written. Needs a QGuiApplication (fonts).
bool RenderSessionPicture(CStillImageDocument& document, int width, int height,
                          const std::filesystem::path& path, QString& error);
