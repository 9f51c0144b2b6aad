#include "calibration/CalibrationCamera.h"

#include "core/Language.h"

#include <cmath>

namespace {

// Frame sizes whose aspect ratios differ by less than this are one shape.
constexpr double kAspectTolerance = 0.01;

bool Usable(const CCalibrationCamera& camera) {
    return !camera.id.isEmpty() && camera.width > 0 && camera.height > 0;
}

bool SameShape(const CCalibrationCamera& a, const CCalibrationCamera& b) {
    const double aspectA = static_cast<double>(a.width) / a.height;
    const double aspectB = static_cast<double>(b.width) / b.height;
    return std::abs(aspectA / aspectB - 1.0) < kAspectTolerance;
}

} // namespace

CCameraFitCheck CheckCameraFit(const std::optional<CCalibrationCamera>& madeOn, double scale,
                               const CCalibrationCamera& inUse) {
    CCameraFitCheck check;
    if (!madeOn || !Usable(*madeOn) || !Usable(inUse)) {
        return check;
    }
    if (madeOn->id != inUse.id) {
        check.fit = CameraFit::OtherCamera;
        return check;
    }
    if (madeOn->width == inUse.width && madeOn->height == inUse.height) {
        check.fit = CameraFit::Same;
        return check;
    }
    check.fit = CameraFit::OtherFrameSize;
    if (SameShape(*madeOn, inUse)) {
        const double rescaled = scale * inUse.width / madeOn->width;
        if (std::isfinite(rescaled) && rescaled > 0) {
            check.rescaled = rescaled;
        }
    }
    return check;
}

CCameraFitCheck CheckCurrentCalibrationCamera(const CCalibrationCamera& inUse) {
    return CheckCameraFit(g_calibration.camera, g_calibration.scale, inUse);
}

QString CameraFitWarning(const CCameraFitCheck& check, const CCalibrationCamera& madeOn,
                         const CCalibrationCamera& inUse) {
    switch (check.fit) {
    case CameraFit::OtherCamera:
        return GetLanguageString(
            "CalOtherCamera", QStringLiteral("The calibration in use was made on another camera"),
            128);
    case CameraFit::OtherFrameSize:
        return GetLanguageString("CalOtherFrameSize",
                                 QStringLiteral("The calibration in use was made at %1 × %2, "
                                                "the camera shows %3 × %4"),
                                 128)
            .arg(madeOn.width)
            .arg(madeOn.height)
            .arg(inUse.width)
            .arg(inUse.height);
    case CameraFit::Unknown:
    case CameraFit::Same:
        break;
    }
    return {};
}

QString CameraRescaleQuestion(const CCameraFitCheck& check, const CCalibrationCamera& madeOn,
                              const CCalibrationCamera& inUse) {
    if (check.fit != CameraFit::OtherFrameSize || !check.rescaled) {
        return {};
    }
    return GetLanguageString("CalRescaleQuestion",
                             QStringLiteral("The calibration in use was made at %1 × %2. Rescale "
                                            "it to %3 × %4 for this session?"),
                             128)
        .arg(madeOn.width)
        .arg(madeOn.height)
        .arg(inUse.width)
        .arg(inUse.height);
}

bool RescaleCurrentCalibration(const CCameraFitCheck& check, const CCalibrationCamera& inUse) {
    if (check.fit != CameraFit::OtherFrameSize || !check.rescaled || !Usable(inUse)) {
        return false;
    }
    g_calibration.scale = *check.rescaled;
    g_calibration.camera = inUse;
    return true;
}
