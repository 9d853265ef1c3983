// Many instances and many random requests through the effect record; the sanitizers do the checking.
#include <elf.h>

#include <array>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>
#include <set>
#include <string>

#include "tests/framework/vst2/HostFixture.h"

namespace testplugin {
namespace {

TEST(VST2Stress, ThousandOpenCloseCycles) {
  vsthost::TestHost host;
  ASSERT_TRUE(StartPlugin(host, "editor midiin"));
  std::string error;
  for (int i = 0; i < 1000; ++i) {
    ASSERT_TRUE(host.Instantiate(error, i % 2 == 1)) << error;
    host.Open();
    host.Resume();
    host.Close();
  }
}

// Requests whose value is a pointer the plug-in writes through.
bool ValueIsPointer(int32_t opcode) {
  return opcode == vst2::kEffSetSpeakerArrangement || opcode == vst2::kEffGetSpeakerArrangement;
}

TEST(VST2Stress, TenThousandRandomDispatcherCalls) {
  vsthost::TestHost host;
  ASSERT_TRUE(StartPlugin(host, "editor midiin midiout tail=100"));
  host.Open();
  host.Resume();
  std::mt19937 random(12345);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
  const std::array<float, 6> opts = {0.0f, 1.0f, -1.0f, 48000.0f, std::numeric_limits<float>::quiet_NaN(), 1e30f};
  const std::array<int32_t, 8> vendorIndices = {7, 8, 27, 0x50726553, 0, 1, -1, 1000};
  alignas(16) std::array<uint8_t, 4096> buffer;
  std::vector<float> samples(2 * 256, 0.25f);
  float* channels[2] = {samples.data(), samples.data() + 256};
  for (int i = 0; i < 10000; ++i) {
    int32_t opcode = pick(0, 72);
    if (opcode == vst2::kEffClose) opcode = vst2::kEffGetProgram;
    buffer.fill(0);
    // Half of the time the buffer holds a short terminated text, as hosts pass for names and values.
    // Event blocks stay empty: their pointers must be valid, and the host vouches for numEvents.
    if (pick(0, 1) && opcode != vst2::kEffProcessEvents) {
      const int len = pick(0, 40);
      for (int k = 0; k < len; ++k) buffer[k] = static_cast<uint8_t>(pick(32, 126));
    }
    int32_t index = pick(-3, 12);
    if (opcode == vst2::kEffVendorSpecific) index = vendorIndices[pick(0, 7)];
    intptr_t value = pick(-100, 5000);
    if (opcode == vst2::kEffSetChunk) value = pick(-100, static_cast<int>(buffer.size()));
    if (ValueIsPointer(opcode)) value = pick(0, 1) ? reinterpret_cast<intptr_t>(buffer.data() + 2048) : 0;
    if (opcode == vst2::kEffVendorSpecific && index == 0x50726553) value = 0x47526442;
    void* ptr = pick(0, 9) ? buffer.data() : nullptr;
    host.Dispatch(opcode, index, value, ptr, opts[pick(0, 5)]);
    if (i % 16 == 0) {
      host.SetParameter(pick(-1, kNumParams), opts[pick(0, 5)]);
      host.ProcessReplacing(channels, channels, pick(1, 256));
      host.PumpRunLoop();
    }
  }
  EXPECT_EQ(host.Effect()->magic, vst2::kEffectMagic);
}

// The module's dynamic symbol table, read from the file: the defined global names.
std::set<std::string> ExportedSymbols(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(file)), {});
  std::set<std::string> names;
  if (bytes.size() < sizeof(Elf64_Ehdr)) return names;
  Elf64_Ehdr header;
  std::memcpy(&header, bytes.data(), sizeof(header));
  auto section = [&](int i) {
    Elf64_Shdr s;
    std::memcpy(&s, bytes.data() + header.e_shoff + i * sizeof(Elf64_Shdr), sizeof(s));
    return s;
  };
  for (int i = 0; i < header.e_shnum; ++i) {
    const Elf64_Shdr symbols = section(i);
    if (symbols.sh_type != SHT_DYNSYM) continue;
    const Elf64_Shdr strings = section(static_cast<int>(symbols.sh_link));
    for (size_t k = 0; k < symbols.sh_size / sizeof(Elf64_Sym); ++k) {
      Elf64_Sym sym;
      std::memcpy(&sym, bytes.data() + symbols.sh_offset + k * sizeof(Elf64_Sym), sizeof(sym));
      const int binding = ELF64_ST_BIND(sym.st_info);
      if (sym.st_shndx == SHN_UNDEF || (binding != STB_GLOBAL && binding != STB_WEAK)) continue;
      names.insert(bytes.data() + strings.sh_offset + sym.st_name);
    }
  }
  return names;
}

TEST(VST2Module, ExportsOnlyTheTwoEntryPoints) {
  EXPECT_EQ(ExportedSymbols(KD_TEST_PLUGIN_PATH), (std::set<std::string>{"VSTPluginMain", "main"}));
}

}  // namespace
}  // namespace testplugin
