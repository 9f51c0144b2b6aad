#include "image/Adjustments.h"

#include <algorithm>

std::optional<AreaOperation> OperationForAreaMode(int areaMode) {
    switch (areaMode) {
    case 2:
        return AreaOperation::Relief;
    case 3:
        return AreaOperation::Sharpen;
    case 4:
        return AreaOperation::Smooth;
    case 5:
        return AreaOperation::EdgeDetection;
    case 6:
        return AreaOperation::InverseColor;
    case 7:
        return AreaOperation::Darker;
    case 8:
        return AreaOperation::Brighter;
    default:
        return std::nullopt;
    }
}

bool ApplyAreaOperation(CDib& image, AreaOperation operation) {
    switch (operation) {
    case AreaOperation::Relief:
        return Relief(image);
    case AreaOperation::Sharpen:
        return Sharpen(image);
    case AreaOperation::Smooth:
        return Smooth(image);
    case AreaOperation::EdgeDetection:
        return DetectEdges(image);
    case AreaOperation::InverseColor:
        return InvertColors(image);
    case AreaOperation::Darker:
        return AdjustBrightness(image, -25);
    case AreaOperation::Brighter:
        return AdjustBrightness(image, 25);
    case AreaOperation::Mirror:
        return MirrorLeftRight(image);
    case AreaOperation::Flip:
        return FlipUpsideDown(image);
    }
    return true;
}

PictureRect PictureRectFromView(int left, int top, int right, int bottom, int scrollX, int scrollY,
                                double zoom) {
    if (left > right) {
        std::swap(left, right);
    }
    if (top > bottom) {
        std::swap(top, bottom);
    }
    auto toPicture = [zoom](int client, int scroll) {
        const double value = (static_cast<double>(client) + scroll) / zoom;
        // Far outside the picture is as good as just outside it.
        return static_cast<int>(std::clamp(value, -1.0e9, 1.0e9));
    };
    return PictureRect{toPicture(left, scrollX), toPicture(top, scrollY), toPicture(right, scrollX),
                       toPicture(bottom, scrollY)};
}

void SelectPictureRect(CDib& image, const PictureRect& rect) {
    image.SelectionClear();
    image.SelectionAddRect(rect.x1, rect.y1, rect.x2, rect.y2, 255);
}
