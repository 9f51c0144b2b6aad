#pragma once

#include <ostream>

#include <QString>
#include <QTemporaryDir>

// Tests never write outside their own temporary folder. The test main points
// the program folder, MARNELO_HOME and the settings store at a folder of the
// process; a test that needs a clean slate uses a ScopedProgramFolder.

// Called by a test main before the Qt application object exists.
void SetUpIsolatedProcess();

// A fresh program folder and settings store for the lifetime of the object:
// g_folders, g_parameters and the language state are reset and restored.
class ScopedProgramFolder {
public:
    ScopedProgramFolder();
    ~ScopedProgramFolder();
    ScopedProgramFolder(const ScopedProgramFolder&) = delete;
    ScopedProgramFolder& operator=(const ScopedProgramFolder&) = delete;

    QString path() const { return m_dir.path(); }
    QString filePath(const QString& name) const { return m_dir.filePath(name); }

    // Copies the shipped language files into the folder.
    void InstallLanguageFiles() const;

private:
    QTemporaryDir m_dir;
    QString m_previousHome;
};

// Writes bytes to a file, creating parent folders; fails the test on error.
void WriteFile(const QString& path, const QByteArray& bytes);
QByteArray ReadFile(const QString& path);

// Readable QString values in assertion messages.
void PrintTo(const QString& text, std::ostream* out);
