#include "tests/support/TestEnvironment.h"

#include "core/Folders.h"
#include "core/Language.h"
#include "core/Parameters.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace {

QTemporaryDir* g_processDir = nullptr;

void PointSettingsAt(const QString& folder) {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder + "/config");
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder + "/config");
}

} // namespace

void SetUpIsolatedProcess() {
    g_processDir = new QTemporaryDir(); // lives as long as the process
    const QByteArray path = QFile::encodeName(g_processDir->path());
    qputenv("MARNELO_HOME", path);
    qputenv("XDG_CONFIG_HOME", path + "/config");
    qputenv("XDG_DATA_HOME", path + "/data");
    qputenv("XDG_CACHE_HOME", path + "/cache");
    QDir().mkpath(g_processDir->path() + "/runtime");
    QFile::setPermissions(g_processDir->path() + "/runtime",
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", path + "/runtime");
    qputenv("MARNELO_NO_SPLASH", "1");
    PointSettingsAt(g_processDir->path());
    g_folders.programFolder = g_processDir->path();
}

ScopedProgramFolder::ScopedProgramFolder()
    : m_previousHome(qEnvironmentVariable("MARNELO_HOME")) {
    EXPECT_TRUE(m_dir.isValid());
    qputenv("MARNELO_HOME", QFile::encodeName(m_dir.path()));
    PointSettingsAt(m_dir.path());
    g_parameters = CParameters{};
    g_language = CLanguageState{};
    g_folders = CFolders{};
    g_folders.programFolder = m_dir.path();
}

ScopedProgramFolder::~ScopedProgramFolder() {
    qputenv("MARNELO_HOME", QFile::encodeName(m_previousHome));
    PointSettingsAt(m_previousHome);
    g_parameters = CParameters{};
    g_language = CLanguageState{};
    g_folders = CFolders{};
    g_folders.programFolder = m_previousHome;
}

void ScopedProgramFolder::InstallLanguageFiles() const {
    const QDir resources(QStringLiteral(MARNELO_RESOURCES_DIR));
    for (const QString& name : resources.entryList({QStringLiteral("*.ini")}, QDir::Files)) {
        QFile::remove(m_dir.filePath(name));
        ASSERT_TRUE(QFile::copy(resources.filePath(name), m_dir.filePath(name)))
            << name.toStdString();
    }
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.readAll();
}

void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
