#pragma once

#include <functional>
#include <optional>
#include <utility>

#include <QString>
#include <QStringList>

// What the commands that write what a camera delivers ("snapshot",
// "record") share on their command line: one output file, --device ID|NAME,
// --size WxH, --mirror and --rotate.
struct CCameraOptions {
    QString out;
    QString device;
    std::optional<std::pair<int, int>> size;
    bool mirror = false;
    bool rotate = false;
};

// What a command's own option handler says of an option.
enum class COptionResult {
    Taken,   // the command's option, read
    Unknown, // not the command's
    Bad,     // the command's, with a value it refuses
};

// Called with `value` null to ask whether `option` is a flag of the command,
// then, when it is not, with the value that follows it. On Bad it may set
// `error`; otherwise "bad value for OPTION: VALUE" is reported.
using COptionHandler =
    std::function<COptionResult(const QString& option, const QString* value, QString& error)>;

// Reads `arguments` into `options`, handing every other option to `command`.
// False, with `error` set, for a second output file, a missing one, an option
// without its value, an unknown option or a bad value.
bool ParseCameraOptions(const QStringList& arguments, CCameraOptions& options,
                        const COptionHandler& command, QString& error);
