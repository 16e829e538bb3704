// The .tlf file association under HKEY_CLASSES_ROOT, or in the user's own classes where
// HKEY_CLASSES_ROOT refuses it: the routines that write, probe and remove it, over a small
// registry host so every rule runs natively with an in-memory registry. The runner, the
// editor and the remover all go through these.
#pragma once

#include "registry_host.h"
#include "startup_entries.h"
#include "text.h"

// Reads the process's current directory into a kTextSize buffer; false when it cannot be
// read or does not fit.
using CurrentDirectoryFn = bool (*)(char* directory);

// The runner's association dialog and where it finds its path.
struct AssociationUi {
  CurrentDirectoryFn currentDirectory;
  int (*showDialog)(void* context);  // the dialog's result, -1 when it cannot be shown
  void* context;
};

// Results of the association dialog.
constexpr int kAssociationApply = 1;      // write the association
constexpr int kAssociationCancel = 2;     // do nothing
constexpr int kAssociationRemove = 1128;  // remove it

constexpr int kRunnerIconIndex = -108;  // icon resource 108 of TLRun.exe

extern const char kExtensionKey[];  // ".tlf"
extern const char kProgId[];        // "tlf_auto_file"
extern const char kEditorVerb[];    // "TLSetで起動する"

// What became of a class key's default value.
enum class ClassKeyWrite { kWritten, kKeyRefused, kValueRefused };

// Creates or opens root\subKey and writes its default value. Shows nothing.
ClassKeyWrite SetClassKeyDefault(const RegistryHost& host, RegKey root, const char* subKey,
                                 const char* value);

// The ProgID under root with shell\open\command and, when iconIndex is not 0,
// DefaultIcon. 1 or 0.
int RegisterRunnerVerb(const RegistryHost& host, RegKey root, const char* progId,
                       const char* programPath, int iconIndex);

// The ProgID under root with shell\TLSetで起動する\command. 1 when the command was
// written, else 0.
int RegisterEditorVerb(const RegistryHost& host, RegKey root, const char* progId,
                       const char* programPath);

// The runner's layout (its verb with the icon, then ".tlf") under HKEY_CLASSES_ROOT, or
// under the user's classes when a creation or write there is refused. True when the
// registry then holds it.
bool RegisterRunnerAssociation(const RegistryHost& host, const char* runnerPath);

// The editor's silent registration at start: its verb, then ".tlf", with the same
// fallback to the user's classes. The shell is told only when a value changed.
void RegisterEditorAssociation(const RegistryHost& host, CurrentDirectoryFn currentDirectory);

// Deletes root\subKey; always 1.
int DeleteClassKey(const RegistryHost& host, RegKey root, const char* subKey);

// Deletes the ProgID's known subkeys under root leaf first, then the ProgID; always 1.
int DeleteProgIdTree(const RegistryHost& host, RegKey root, const char* progId);

// Deletes ".tlf" and the ProgID tree from both roots. True when neither root then holds
// the runner's verb, the editor's verb or the icon.
bool RemoveAssociation(const RegistryHost& host);

// True when the runner's registration (the ProgID with its DefaultIcon) can be opened with
// full access under either root: the state the dialog's check box starts in.
bool ProbeRunnerRegistration(const RegistryHost& host);

// The runner's association sequence: shows the dialog and writes or removes the
// association by its result, then confirms what the registry holds afterwards, or says
// under "エラー" that it did not take. A confirmed registration also says when the user has
// chosen another program to open .tlf files, which double-click then keeps opening. The
// shell is told only when what HKEY_CLASSES_ROOT shows of the association has changed.
void RunAssociationSequence(const RegistryHost& host, const AssociationUi& ui,
                            const char* confirmationText);

// The remover's sequence: asks, removes ".tlf" and the ProgID tree from both roots on yes,
// with the logon Run value when that runs a TLRun.exe (both texts then say so on their
// second line), and the startup entries the editor switched off, put back through folders
// (a line of their own), and reports success only when all of it is really gone and back.
// askYes shows a yes/no question. Like the runner's sequence, it tells the shell only of a
// change.
using AskYesFn = bool (*)(const char* text, const char* caption);
void RunRemoverSequence(const RegistryHost& host, const StartupFolderHost& folders,
                        AskYesFn askYes);

// GetCurrentDirectoryA into a kTextSize buffer (Windows builds only).
bool Win32CurrentDirectory(char* directory);
