#pragma once

#include <optional>

#include <QByteArray>
#include <QString>

// The program folder holds the settings files and the language files; the
// save folder holds the snapshot folder "<save>/SaveFile" and the video
// folder "<save>/SaveFile/Video". Paths use '/' and carry no trailing '/'.
struct CFolders {
    QString programFolder;
    QString saveFolder;
    QString snapshotFolder;
    QString videoFolder;
};

extern CFolders g_folders;

// The executable's folder, or the folder named by the environment variable
// MARNELO_HOME when it is set (tests and portable installs use it).
QString DetermineProgramFolder();

// "<folder>/SaveFile" and "<folder>/SaveFile/Video".
QString SnapshotFolderOf(const QString& saveFolder);
QString VideoFolderOf(const QString& saveFolder);

// folderpath.dat: exactly 520 bytes, the save folder as UTF-16LE units padded
// with zeros, no byte-order mark.
inline constexpr int kFolderRecordBytes = 520;

// Encodes a folder into the record; nullopt when it does not fit whole (at most
// 259 UTF-16 units, so that a terminating zero always follows).
std::optional<QByteArray> EncodeFolderRecord(const QString& folder);

// Decodes a record; nullopt when it does not hold a usable path (wrong size,
// empty, not absolute, or not valid UTF-16).
std::optional<QString> DecodeFolderRecord(const QByteArray& record);

// Sets the save, snapshot and video folders at start: the program folder's
// SaveFile folders are created; a usable folderpath.dat whose derived folders
// exist wins; one whose folders are gone falls back to the program folder's
// SaveFile folders with the program folder as save folder; a missing or
// unusable record makes "<program>/SaveFile" the save folder.
void InitSaveFolders();

// Makes `folder` the save folder: creates its snapshot and video folders,
// rewrites folderpath.dat (whole or not at all) and derives both folders.
// Returns false, changing nothing in memory or in the record, when the folder
// does not fit the record, its folders cannot be created or the record cannot
// be written.
bool ChooseSaveFolder(const QString& folder);
