#include "calibration/CalibrationFiles.h"

#include "calibration/Calibration.h"
#include "core/FileWriting.h"
#include "core/Folders.h"

#include <cstdio>
#include <optional>
#include <tinyxml2.h>

#include <QFile>

namespace {

// A name is a short title; a larger file is not one of ours.
constexpr qint64 kMaxDefaultCalibrationBytes = 64 * 1024;

// The largest frame side a camera record may name.
constexpr int kMaxFrameSide = 65535;

QString ErrorText(const tinyxml2::XMLDocument& document) {
    return QString::fromUtf8(document.ErrorStr());
}

// Where the calibration was made sits in a child element, not in more
// attributes of the record: readers take the record's attributes by
// position, and a fifth one would start over at the name.
constexpr const char* kCameraElement = "camera";

// The record's camera child; nullopt when there is none or it is not whole.
std::optional<CCalibrationCamera> ReadCamera(const tinyxml2::XMLElement& record) {
    const tinyxml2::XMLElement* element = record.FirstChildElement(kCameraElement);
    if (element == nullptr) {
        return std::nullopt;
    }
    const char* id = element->Attribute("id");
    CCalibrationCamera camera;
    if (id == nullptr || *id == '\0' ||
        element->QueryIntAttribute("width", &camera.width) != tinyxml2::XML_SUCCESS ||
        element->QueryIntAttribute("height", &camera.height) != tinyxml2::XML_SUCCESS ||
        camera.width <= 0 || camera.height <= 0 || camera.width > kMaxFrameSide ||
        camera.height > kMaxFrameSide) {
        return std::nullopt;
    }
    camera.id = QString::fromUtf8(id);
    return camera;
}

} // namespace

QString CalibrationStorePath() {
    return g_folders.programFolder + QStringLiteral("/data.xml");
}

QString DefaultCalibrationPath() {
    return g_folders.programFolder + QStringLiteral("/defaultcalibration.txt");
}

bool LoadCalibrationsFrom(const QString& path, QString* error) {
    g_calibrationStore.records.clear();
    tinyxml2::XMLDocument document;
    if (document.LoadFile(QFile::encodeName(path).constData()) != tinyxml2::XML_SUCCESS) {
        if (error != nullptr) {
            *error = ErrorText(document);
        }
        return false;
    }
    const tinyxml2::XMLElement* root = document.FirstChildElement();
    const tinyxml2::XMLElement* calibration = root != nullptr ? root->FirstChildElement() : nullptr;
    if (calibration == nullptr) {
        return true;
    }
    for (const tinyxml2::XMLElement* element = calibration->FirstChildElement(); element != nullptr;
         element = element->NextSiblingElement()) {
        CCalibrationData record;
        QString* const fields[] = {&record.name, &record.Unit, &record.ValueX, &record.ValueY};
        int position = 0;
        for (const tinyxml2::XMLAttribute* attribute = element->FirstAttribute();
             attribute != nullptr; attribute = attribute->Next()) {
            *fields[position] = QString::fromUtf8(attribute->Value());
            position = (position + 1) % 4;
        }
        record.camera = ReadCamera(*element);
        g_calibrationStore.records.push_back(std::move(record));
    }
    return true;
}

bool LoadCalibrations() {
    // The store is loaded again at every format change; a broken file is
    // worth one line, not one per reload.
    static QString reported;
    const QString path = CalibrationStorePath();
    if (!QFile::exists(path)) {
        // Nothing calibrated yet: an ordinary start, nothing to say.
        g_calibrationStore.records.clear();
        reported.clear();
        return true;
    }
    QString error;
    if (LoadCalibrationsFrom(path, &error)) {
        reported.clear();
        return true;
    }
    const QString message =
        QStringLiteral(
            "The calibration store %1 could not be read (%2); no calibrations are loaded.")
            .arg(path, error);
    if (message != reported) {
        std::fprintf(stderr, "%s\n", message.toUtf8().constData());
        std::fflush(stderr);
        reported = message;
    }
    return false;
}

bool SaveCalibrationsTo(const QString& path) {
    tinyxml2::XMLDocument document;
    tinyxml2::XMLElement* root = document.NewElement("LOBRIN");
    tinyxml2::XMLElement* calibration = document.NewElement("Calibration");
    calibration->SetAttribute("name", "Data");
    for (const CCalibrationData& record : g_calibrationStore.records) {
        tinyxml2::XMLElement* element = document.NewElement("caldata");
        element->SetAttribute("name", record.name.toUtf8().constData());
        element->SetAttribute("Unit", record.Unit.toUtf8().constData());
        element->SetAttribute("ValueX", record.ValueX.toUtf8().constData());
        element->SetAttribute("ValueY", record.ValueY.toUtf8().constData());
        if (record.camera) {
            tinyxml2::XMLElement* camera = document.NewElement(kCameraElement);
            camera->SetAttribute("id", record.camera->id.toUtf8().constData());
            camera->SetAttribute("width", record.camera->width);
            camera->SetAttribute("height", record.camera->height);
            element->InsertEndChild(camera);
        }
        calibration->InsertEndChild(element);
    }
    root->InsertEndChild(calibration);
    document.InsertEndChild(root);

    tinyxml2::XMLPrinter printer;
    document.Print(&printer);
    return WriteFileWhole(path, QByteArray(printer.CStr(), printer.CStrSize() - 1));
}

bool SaveCalibrations() {
    return SaveCalibrationsTo(CalibrationStorePath());
}

bool WriteDefaultCalibration(const QString& name) {
    return WriteFileWhole(DefaultCalibrationPath(), ToUtf16LE(name));
}

void RemoveDefaultCalibration() {
    QFile::remove(DefaultCalibrationPath());
}

bool RestoreDefaultCalibration() {
    QFile file(DefaultCalibrationPath());
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxDefaultCalibrationBytes) {
        return false;
    }
    const QString name = FromUtf16LE(file.readAll());
    if (!ApplyCalibration(name)) {
        return false;
    }
    g_calibration.selectedName = name;
    return true;
}
