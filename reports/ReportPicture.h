#pragma once

#include <QByteArray>

class CDib;

// The picture of a report in the forms the report files embed. Both take a
// 24-bit or a palette picture and return an empty array for an empty picture
// or when memory runs out.

// A PNG file: 8-bit RGB, no interlacing. Lossless, so imprinted measurement
// lines stay sharp.
QByteArray EncodeReportPng(const CDib& picture);

// A 24-bit device-independent bitmap without file header: the 40-byte info
// header followed by the rows bottom-up, each padded to 4 bytes.
QByteArray EncodeReportDib(const CDib& picture);

// Width and height of a PNG (from its header); false for anything else.
bool PngSize(const QByteArray& png, int& width, int& height);
