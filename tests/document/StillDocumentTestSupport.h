#pragma once

#include "calibration/Calibration.h"
#include "core/CommandIds.h"
#include "core/Parameters.h"
#include "document/StillImageDocument.h"
#include "framework/QImageDrawSurface.h"
#include "shapes/ShapeFactory.h"
#include "tests/image/ImageTestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <initializer_list>
#include <memory>

#include <QImage>
#include <QTemporaryDir>

// Documents opened from pictures written into a temporary folder, with the
// drawing style and calibration reset around each test.
class StillDocumentTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_parameters = CParameters{};
        g_calibration = CCurrentCalibration{};
        g_shapeNotifications = CShapeNotifications{};
    }
    void TearDown() override {
        g_parameters = CParameters{};
        g_calibration = CCurrentCalibration{};
        g_shapeNotifications = CShapeNotifications{};
    }

    std::filesystem::path PathOf(const char* name) const {
        return std::filesystem::path(m_dir.filePath(QString::fromUtf8(name)).toStdString());
    }
    std::filesystem::path Write(const CDib& picture, const char* name,
                                ImageType type = ImageType::Bmp) const {
        const std::filesystem::path path = PathOf(name);
        EXPECT_TRUE(picture.Save(path, type));
        return path;
    }
    static std::unique_ptr<CStillImageDocument> NewDocument() {
        return std::make_unique<CStillImageDocument>(QImageSurfaceFactory());
    }
    // A document showing `picture` (written as a BMP file).
    std::unique_ptr<CStillImageDocument> Opened(const CDib& picture,
                                                const char* name = "picture.bmp") const {
        auto document = NewDocument();
        EXPECT_TRUE(document->Open(Write(picture, name)));
        return document;
    }

    // A shape completed as the view stores it, made on a picture of that size.
    static std::unique_ptr<CShape> Completed(int mode, std::initializer_list<ShapePoint> points,
                                             int imgWidth, int imgHeight) {
        CShapeParams params;
        int i = 0;
        for (const ShapePoint& p : points) {
            params.points[i++] = p;
        }
        params.imgWidth = imgWidth;
        params.imgHeight = imgHeight;
        std::unique_ptr<CShape> shape = CreateShape(mode, params);
        EXPECT_TRUE(shape);
        CompleteShape(*shape, 0);
        return shape;
    }

    // The picture as a QImage, to draw expected results on.
    static QImage ToQImage(const CDib& picture) {
        QImage image(picture.Width(), picture.Height(), QImage::Format_RGB32);
        for (int y = 0; y < picture.Height(); ++y) {
            for (int x = 0; x < picture.Width(); ++x) {
                const Rgb c = PixelAt(picture, x, y);
                image.setPixel(x, y, qRgb(c.red, c.green, c.blue));
            }
        }
        return image;
    }
    static bool SameAs(const CDib& picture, const QImage& image) {
        if (picture.Width() != image.width() || picture.Height() != image.height()) {
            return false;
        }
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const Rgb c = PixelAt(picture, x, y);
                if (qRgb(c.red, c.green, c.blue) != image.pixel(x, y)) {
                    return false;
                }
            }
        }
        return true;
    }

    QTemporaryDir m_dir;
};
