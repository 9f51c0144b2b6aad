#pragma once

#include <QString>
#include <QStringList>

// Where the program keeps its files, for the two ways it can be laid out:
// - portable (a build folder, a copy unpacked anywhere, or the folder named by
//   MARNELO_HOME): one program folder holds everything, the SaveFile folders
//   included;
// - installed (for example in /usr/bin): the language files come from the
//   install's data folder (share/marnelo beside bin), the files the program
//   writes go to the user's data folder and pictures to "<Pictures>/Marnelo".

// What the decision looks at; paths use '/'.
struct CFolderInputs {
    QString home;             // MARNELO_HOME, empty when unset
    QString executableFolder; // the folder of the running executable
    QString userDataFolder;   // the per-user application data folder
    QString picturesFolder;   // the user's pictures folder
};

// The fields of the same names in CFolders (Folders.h).
struct CFolderLayout {
    QString programFolder;
    QStringList languageFolders;
    QString defaultSaveBase; // empty: the program folder
};

// The one place that decides where files live: MARNELO_HOME when set; else
// the executable's folder when it holds the language files and can be
// written; else the installed layout. Language files are looked for in the
// program folder, then the executable's folder, then the install's data
// folder. Looks at the file system but changes nothing.
CFolderLayout LocateFolders(const CFolderInputs& inputs);

// The inputs of the running process (environment and standard locations).
CFolderInputs CurrentFolderInputs();

// Decides the layout for this process and records it in g_folders (the save
// folders are set later by InitSaveFolders). Creates the program folder when
// it is missing. False when the program folder cannot be created or written:
// start-up says so once, as nothing the program saves would be kept.
bool SetUpProgramFolders();
