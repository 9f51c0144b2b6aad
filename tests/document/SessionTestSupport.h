#pragma once

#include "document/MeasureSession.h"
#include "tests/image/ImageTestSupport.h"

#include <vector>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

// Every shape kind at least once, on a 1200 × 900 picture: the shapes of the
// marnelo-cli overview session, as session records numbered from −1.
inline std::vector<CSessionShape> EveryKindShapes() {
    QFile file(QString::fromStdString(TestDataPath("cli/overview.json")));
    file.open(QIODevice::ReadOnly);
    const QJsonArray entries = QJsonDocument::fromJson(file.readAll())["shapes"].toArray();
    std::vector<CSessionShape> shapes;
    int serial = -1;
    int squareMark = 0;
    int circleMark = 0;
    for (const QJsonValue& value : entries) {
        const QJsonObject entry = value.toObject();
        CSessionShape shape;
        shape.mode = entry["mode"].toInt();
        for (const QJsonValue& point : entry["points"].toArray()) {
            shape.points.push_back({point[0].toDouble(), point[1].toDouble()});
        }
        shape.text = entry["text"].toString();
        shape.serial = serial++;
        shape.markNumber = shape.mode == 120 ? squareMark++ : shape.mode == 130 ? circleMark++ : 0;
        shapes.push_back(shape);
    }
    return shapes;
}
