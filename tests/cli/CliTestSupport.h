#pragma once

#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <vector>

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

// Runs the real marnelo-cli as a subprocess, in the program folder and
// settings store of a temporary home.

struct CliRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
    QJsonObject json;
};

// Runs the real marnelo-cli with the program folder and settings store of
// `home` (a ScopedProgramFolder keeps its settings under "<home>/config"),
// without the environment variables named in `unset`.
inline CliRun RunCli(const QStringList& arguments, const QString& home,
                     const QByteArray& input = QByteArray(), const QStringList& unset = {}) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString& name : unset) {
        environment.remove(name);
    }
    environment.insert("MARNELO_HOME", home);
    environment.insert("XDG_CONFIG_HOME", home + "/config");
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(MARNELO_CLI_PATH), arguments);
    EXPECT_TRUE(process.waitForStarted());
    process.write(input);
    process.closeWriteChannel();
    EXPECT_TRUE(process.waitForFinished(30000));
    CliRun run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    run.json = QJsonDocument::fromJson(run.out).object();
    return run;
}

class CliTest : public ::testing::Test {
protected:
    CliRun Measure(const QByteArray& session) {
        WriteFile(home.filePath("session.json"), session);
        return RunCli({"measure", home.filePath("session.json")}, home.path());
    }

    static QJsonObject Shape(const CliRun& run, int index) {
        return run.json["shapes"].toArray()[index].toObject();
    }

    static std::vector<double> Numbers(const QJsonValue& array) {
        std::vector<double> numbers;
        for (const QJsonValue& value : array.toArray()) {
            numbers.push_back(value.toDouble());
        }
        return numbers;
    }

    // Renders a session written to the home folder into "<home>/out.bmp".
    CliRun Render(const QByteArray& session) {
        WriteFile(home.filePath("session.json"), session);
        return RunCli({"render", home.filePath("session.json"), home.filePath("out.bmp")},
                      home.path());
    }

    // The rendered picture; fails the test unless it is a 24-bit BMP.
    QImage Rendered() const {
        const QByteArray bmp = ReadFile(home.filePath("out.bmp"));
        EXPECT_TRUE(bmp.startsWith("BM"));
        EXPECT_EQ(bmp.size() > 28 ? int(bmp[28]) : 0, 24) << "bits per pixel";
        return QImage::fromData(bmp, "BMP");
    }

    ScopedProgramFolder home;
};
