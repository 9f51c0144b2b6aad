#pragma once

#include <optional>

#include <QByteArray>
#include <QString>
#include <QStringList>

// The program folder holds the files the program writes for itself (settings
// files, data.xml, defaultcalibration.txt, folderpath.dat, CapConfig.dat, the
// report picture) and is searched first for language files; the save folder
// holds the snapshot folder "<save>/SaveFile" and the video folder
// "<save>/SaveFile/Video". Paths use '/' and carry no trailing '/'. Where
// these lie is decided once at start by LocateFolders (FolderLayout.h).
struct CFolders {
    QString programFolder;
    // Searched for language files after the program folder, in order.
    QStringList languageFolders;
    // The folder whose SaveFile folders are the default save place; the
    // program folder when empty.
    QString defaultSaveBase;
    QString saveFolder;
    QString snapshotFolder;
    QString videoFolder;
};

extern CFolders g_folders;

// The path of a language file: in the first of the program folder and the
// language folders that holds it, else in the program folder (where it is
// missing, so every text keeps its default).
QString LanguageFilePath(const QString& fileName);

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

// Sets the save, snapshot and video folders at start: the default save
// base's SaveFile folders are created; a usable folderpath.dat whose derived
// folders exist wins; one whose folders are gone falls back to the base's
// SaveFile folders with the base as save folder; a missing or unusable record
// makes "<base>/SaveFile" the save folder.
void InitSaveFolders();

// Makes `folder` the save folder: creates its snapshot and video folders,
// rewrites folderpath.dat (whole or not at all) and derives both folders.
// Returns false, changing nothing in memory or in the record, when the folder
// does not fit the record, its folders cannot be created or the record cannot
// be written.
bool ChooseSaveFolder(const QString& folder);
