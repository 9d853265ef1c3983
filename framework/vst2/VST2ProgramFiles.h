// VST 2 program (".fxp") and bank (".fxb") files of a plug-in: the current preset or every preset slot in
// the published layouts. Header fields are big-endian 32-bit values, parameter values big-endian singles
// in the normalized 0..1 range. A plug-in whose state is a chunk writes the chunk variants ("FPCh",
// "FBCh"), any other the parameter variants ("FxCk", "FxBk").
//
// Loading checks the whole file against its own size and the plug-in before anything changes: a file that
// is short, names another plug-in, carries counts or indices that do not fit, or whose state cannot be
// read is refused and the plug-in keeps its state.
//
// All four run on the main thread and block on file I/O.
#pragma once

#include <cstdint>
#include <vector>

#include "framework/IPluginBase.h"

namespace fx {

// False for a null or empty path or when the file cannot be written completely.
bool SaveProgramFile(IPluginBase& plug, const char* path);
bool SaveBankFile(IPluginBase& plug, const char* path);
// False for a null or empty path, a file that cannot be read, or contents the plug-in refuses.
bool LoadProgramFile(IPluginBase& plug, const char* path);
bool LoadBankFile(IPluginBase& plug, const char* path);

// The same on bytes in memory.
std::vector<uint8_t> MakeProgramFile(IPluginBase& plug);
std::vector<uint8_t> MakeBankFile(IPluginBase& plug);
bool ReadProgramFile(IPluginBase& plug, const std::vector<uint8_t>& file);
bool ReadBankFile(IPluginBase& plug, const std::vector<uint8_t>& file);

}  // namespace fx
