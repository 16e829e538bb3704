// The .tlf file association under HKEY_CLASSES_ROOT, or in the user's own classes where
// HKEY_CLASSES_ROOT refuses it: the routines that write, probe and remove it, over a small
// registry host so every rule runs natively with an in-memory registry. The runner, the
// editor and the remover all go through these.
#pragma once

#include <cstdint>

#include "text.h"

// An open registry key as the host hands it out; the value means nothing to this code.
using RegKey = std::uintptr_t;
constexpr RegKey kNoKey = 0;                  // never a valid open key
constexpr RegKey kClassesRoot = 0x80000000u;  // HKEY_CLASSES_ROOT
// HKEY_CURRENT_USER\Software\Classes: the user's own classes, which the shell merges into
// HKEY_CLASSES_ROOT for that user and which an account without administrator rights may
// write.
constexpr RegKey kUserClassesRoot = 0x80000001u;
// HKEY_CURRENT_USER itself, for the logon Run value; a token the host maps, like the others.
constexpr RegKey kCurrentUserRoot = 0x80000011u;

// The platform as the association sees it. Registry results are 0 on success, like Win32.
// Every key is created or opened with full access, one level at a time. A parent is an
// open key or one of the two roots.
struct RegistryHost {
  // Creates or opens parent\name; on failure *key is kNoKey.
  int32_t (*createKey)(void* context, RegKey parent, const char* name, RegKey* key);
  // Writes the key's default value as REG_SZ; byteCount includes the terminating zero.
  int32_t (*setDefaultValue)(void* context, RegKey key, const char* text, uint32_t byteCount);
  // Opens an existing parent\name; on failure *key is kNoKey.
  int32_t (*openKey)(void* context, RegKey parent, const char* name, RegKey* key);
  // Deletes parent\name when it has no subkeys.
  int32_t (*deleteKey)(void* context, RegKey parent, const char* name);
  void (*closeKey)(void* context, RegKey key);
  // False only when the registry says parent\name does not exist (an existing key that
  // cannot be read still counts as there). name may span levels ("a\b").
  bool (*keyExists)(void* context, RegKey parent, const char* name);
  // Reads the REG_SZ default value of root\path (names joined by backslashes) into text
  // (capacity bytes); a value that is missing, of another type or too long is a failure.
  int32_t (*readDefaultValue)(void* context, RegKey root, const char* path, char* text,
                              uint32_t capacity);
  // Named REG_SZ values of root\path, with the same rules as the default value's. setValue
  // creates the key when it is missing; a missing value reads and deletes as 2 (not found).
  int32_t (*readValue)(void* context, RegKey root, const char* path, const char* name,
                       char* text, uint32_t capacity);
  int32_t (*setValue)(void* context, RegKey root, const char* path, const char* name,
                      const char* text, uint32_t byteCount);
  int32_t (*deleteValue)(void* context, RegKey root, const char* path, const char* name);
  // A modal message box without owner, OK button only.
  void (*showMessage)(void* context, const char* text, const char* caption);
  // Tells the shell that associations changed, so icons and verbs are refreshed.
  void (*notifyShell)(void* context);
  void* context;
};

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
// chosen another program to open .tlf files, which double-click then keeps opening.
void RunAssociationSequence(const RegistryHost& host, const AssociationUi& ui,
                            const char* confirmationText);

// The remover's sequence: asks, removes ".tlf" and the ProgID tree from both roots on yes,
// with the logon Run value when that runs a TLRun.exe, and reports success only when all
// of it is really gone. askYes shows a yes/no
// question.
using AskYesFn = bool (*)(const char* text, const char* caption);
void RunRemoverSequence(const RegistryHost& host, AskYesFn askYes);

// The host over ADVAPI32, USER32 and SHELL32, and GetCurrentDirectoryA (Windows builds only).
RegistryHost Win32RegistryHost();
bool Win32CurrentDirectory(char* directory);
