#include "document/MeasureSession.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

// A session file lies beside a picture where anyone can edit it: any bytes
// must either be refused with a message, or read as a session that writes
// and reads back to itself and whose every shape builds.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QString error;
    const std::optional<CMeasureSession> session = ParseMeasureSession(bytes, &error);
    if (!session) {
        if (error.isEmpty()) {
            __builtin_trap();
        }
        return 0;
    }
    QString again;
    const std::optional<CMeasureSession> reread =
        ParseMeasureSession(SerializeMeasureSession(*session), &again);
    if (!reread || reread->shapes != session->shapes || reread->scale != session->scale ||
        reread->pictureSha256 != session->pictureSha256 ||
        reread->calibrationName != session->calibrationName) {
        __builtin_trap();
    }
    for (const CSessionShape& record : session->shapes) {
        std::unique_ptr<CShape> shape = BuildSessionShape(record, session->width, session->height);
        if (!shape) {
            __builtin_trap();
        }
        shape->RefreshGeometry();
        shape->DrawnBounds(CDrawParams{});
    }
    return 0;
}
