// Where the plug-in finds things on disk: folders of its own module (the "bundle"), the user's and the
// machine's standard folders, and the search for a resource that may lie beside the module, in a shared
// folder or at a plain path. On Linux the folders come from platform/paths: the module is the loaded
// shared library with its resources in a "resources" folder beside it, the user's Application Support is
// the XDG data folder and the Library folder is the data folder as well.
//
// Every function answers through a FwString; any thread; reads the environment and the file system but
// never blocks for long.
#pragma once

#include "framework/FwString.h"

namespace fx {

// The module's file; path unchanged when bundleID is null or empty or the module cannot be found.
void BundleExecutableOf(FwString& path, const char* bundleID);
// The folder that holds the module, followed by "/"; unchanged as above.
void BundleFolderOf(FwString& path, const char* bundleID);
// The module's resource folder; unchanged as above.
void BundleResourceFolderOf(FwString& path, const char* bundleID);
void DesktopFolder(FwString& path);
void HomeFolder(FwString& path);
// "<library>/Audio/Presets/<maker>/<plug-in>/" of the user's (isSystem false) or the machine's data folder,
// at most 1024 characters.
void LibraryPresetsFolder(FwString& path, const char* makerName, const char* pluginName, bool isSystem = false);
// The user's Application Support folder, "/" and name.
void UserAppSupportSubfolder(FwString& path, const char* name);
// The machine's (isSystem) or the user's Application Support folder.
void AppSupportPath(FwString& path, bool isSystem = false);
// The folder shared by the applications of a group: "<user data>/<appGroupID>".
void AppGroupContainerFolder(FwString& path, const char* appGroupID);
void MusicFolder(FwString& path);
// True when the host process's name contains "AUv3" (it stands in for the main bundle's identifier).
bool RunsAsAppExtension();
// True when the home folder lies in a sandbox container ("Library/Containers/").
bool RunsSandboxed();
// True when the process's name contains "XPC".
bool RunsInXPCProcess();

// fileName's extension (the text after its last ".", the whole name without one) must equal type, case
// ignored. Then the candidate is the module's resource folder, "/", fileName without its extension, "."
// and type; in an app extension (RunsAsAppExtension) the folder is the module's path without its last two
// components, followed by "/Resources/". True with result = the candidate when the module is known and the file exists;
// otherwise result is emptied and the answer is false.
bool FindResourceInBundle(const char* fileName, const char* type, FwString& result, const char* bundleID);
// The same extension test; the candidate is the music folder, sharedSubPath, "Resources", and the last
// path component of fileName without its extension, with the extension type. Null sharedSubPath: false.
bool FindResourceInSharedFolder(const char* fileName, const char* type, FwString& result, const char* sharedSubPath);
// The first that succeeds: the module's resources, the shared folder, name as a plain path that exists
// (result = name). A null or empty name answers false and leaves result untouched. unusedPath is ignored.
bool LocateResource(const char* name, const char* type, FwString& result, const char* bundleID, const char* unusedPath,
                    const char* sharedSubPath);

}  // namespace fx
