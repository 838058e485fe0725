// The library loader: search order and names, entry points, exports,
// reference counts and handle values.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform_copy.h"
#include "tamrix_platform/loader.h"

namespace {

struct EntryCall {
  std::string module;
  void *instance;
  uint32_t reason;
};

std::mutex entry_mutex;
std::vector<EntryCall> entry_calls;

}  // namespace

// Every fixture entry point reports here.
extern "C" void tmx_fixture_entry(const char *module, void *instance, uint32_t reason) {
  std::lock_guard lock(entry_mutex);
  entry_calls.push_back({module, instance, reason});
}

namespace {

const std::string kProgramDir = TMX_TEST_PROGRAM_DIR;

std::vector<EntryCall> TakeEntryCalls() {
  std::lock_guard lock(entry_mutex);
  return std::exchange(entry_calls, {});
}

int CountCalls(const std::vector<EntryCall> &calls, const std::string &module, uint32_t reason) {
  int n = 0;
  for (const auto &call : calls) n += call.module == module && call.reason == reason;
  return n;
}

// Whether the file is mapped into the process at all, by anyone.
bool Resident(const std::string &path) {
  void *library = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (library == nullptr) return false;
  dlclose(library);
  return true;
}

const char *Origin(void *function) {
  return function ? reinterpret_cast<const char *(*)()>(function)() : "(none)";
}

bool HandleIsValid(HMODULE handle) { return static_cast<int32_t>(handle) >= 32; }

class LoaderTest : public testing::Test {
 protected:
  void SetUp() override { TakeEntryCalls(); }
};

// --- Where a name is looked for --------------------------------------------

TEST_F(LoaderTest, FindsBareNamesInTheProgramFolderByFileOrDllName) {
  const HMODULE by_file = LoadLibraryA("libfixture_plain.so");
  ASSERT_TRUE(HandleIsValid(by_file)) << GetLastError();
  const HMODULE by_dll = LoadLibraryA("fixture_plain.dll");
  const HMODULE by_capitals = LoadLibraryA("Fixture_Plain.DLL");
  EXPECT_EQ(by_dll, by_file);
  EXPECT_EQ(by_capitals, by_file);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(FreeLibrary(by_file));
  EXPECT_FALSE(Resident(kProgramDir + "/libfixture_plain.so"));
}

TEST_F(LoaderTest, TriesTheExactFileThenTheMappedOneThenItsSoname) {
  const HMODULE exact = LoadLibraryA("fixture_both.dll");
  ASSERT_TRUE(HandleIsValid(exact));
  EXPECT_STREQ(Origin(GetProcAddress(exact, "FixtureOrigin")), "exact");
  const HMODULE mapped = LoadLibraryA("libfixture_both.so");
  ASSERT_TRUE(HandleIsValid(mapped));
  EXPECT_NE(mapped, exact);
  EXPECT_STREQ(Origin(GetProcAddress(mapped, "FixtureOrigin")), "mapped");
  EXPECT_TRUE(FreeLibrary(exact));
  EXPECT_TRUE(FreeLibrary(mapped));

  // Without the development link: the soname file with the highest version.
  const HMODULE versioned = LoadLibraryA("fixture_versioned.dll");
  ASSERT_TRUE(HandleIsValid(versioned)) << GetLastError();
  EXPECT_STREQ(Origin(GetProcAddress(versioned, "FixtureOrigin")), "newest");
  EXPECT_TRUE(FreeLibrary(versioned));
}

TEST_F(LoaderTest, UsesANameWithAFolderAsGivenAndNowhereElse) {
  const HMODULE absolute = LoadLibraryA((kProgramDir + "/fixture_plain.dll").c_str());
  ASSERT_TRUE(HandleIsValid(absolute));
  EXPECT_TRUE(FreeLibrary(absolute));

  SetLastError(0);
  EXPECT_EQ(LoadLibraryA("/nonexistent-folder/libfixture_plain.so"), 0u);
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
}

TEST_F(LoaderTest, SearchesTheProgramFolderBeforeTheSystemFolder) {
  // Seen from this copy, its own folder is the system folder.
  tmx::test::PlatformCopy copy(TMX_TEST_SYSTEM_DIR);
  ASSERT_TRUE(copy.loaded()) << dlerror();

  const HMODULE both = copy.LoadLibraryA("fixture_origin.dll");
  ASSERT_TRUE(HandleIsValid(both));
  EXPECT_STREQ(Origin(copy.GetProcAddress(both, "FixtureOrigin")), "program");
  EXPECT_TRUE(copy.FreeLibrary(both));

  const HMODULE system_only = copy.LoadLibraryA("fixture_system_only.dll");
  ASSERT_TRUE(HandleIsValid(system_only));
  EXPECT_STREQ(Origin(copy.GetProcAddress(system_only, "FixtureOrigin")), "system");
  EXPECT_TRUE(copy.FreeLibrary(system_only));

  // The first copy's system folder is the program folder of the build.
  SetLastError(0);
  EXPECT_EQ(LoadLibraryA("fixture_system_only.dll"), 0u);
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
}

TEST_F(LoaderTest, FindsThePlatformLibraryItselfInTheSystemFolder) {
  const HMODULE platform = LoadLibraryA("tamrix_platform.dll");
  ASSERT_TRUE(HandleIsValid(platform)) << GetLastError();
  // The very module this program runs on, not a second one.
  EXPECT_EQ(GetProcAddress(platform, "tmx_load_library"),
            reinterpret_cast<void *>(&tmx_load_library));
  EXPECT_TRUE(FreeLibrary(platform));
}

TEST_F(LoaderTest, LoadsTheAccessLibraryByItsPlatformName) {
  SetLastError(0);
  const HMODULE library = LoadLibraryA("tamrix.dll");
  if (library == 0) {
    // Found, but its entry point found no board driver to open.
    EXPECT_EQ(GetLastError(), ERROR_DLL_INIT_FAILED);
    return;
  }
  ASSERT_TRUE(HandleIsValid(library));
  for (const char *name :
       {"TamrixCreate", "TamrixClose", "TamrixGetVersion", "TamrixGetResource", "TamrixSetMode",
        "TamrixStartSampling", "TamrixStopSampling", "TamrixGetSamplingStatus", "TamrixGetData",
        "TamrixGetLastError", "TamrixGetExIn"}) {
    EXPECT_NE(GetProcAddress(library, name), nullptr) << name;
  }
  EXPECT_TRUE(FreeLibrary(library));
}

// --- Failed loads ------------------------------------------------------------

TEST_F(LoaderTest, ReportsWhyALoadFailed) {
  SetLastError(0);
  EXPECT_EQ(LoadLibraryA("no_such_module.dll"), 0u);
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);

  SetLastError(0);
  EXPECT_EQ(LoadLibraryA(""), 0u);
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);

  SetLastError(0);
  EXPECT_EQ(LoadLibraryA(nullptr), 0u);
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);

  const auto folder =
      std::filesystem::temp_directory_path() / ("tmx-loader-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "libnotalib.so") << "this is text, not a library\n";
  SetLastError(0);
  EXPECT_EQ(LoadLibraryA((folder / "notalib.dll").c_str()), 0u);
  EXPECT_EQ(GetLastError(), ERROR_BAD_EXE_FORMAT);

  // A folder of that name is no module file.
  std::filesystem::create_directories(folder / "folder.dll");
  SetLastError(0);
  EXPECT_EQ(LoadLibraryA((folder / "folder.dll").c_str()), 0u);
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
  std::filesystem::remove_all(folder);
}

TEST_F(LoaderTest, ARefusedAttachIsDetachedAndUnloaded) {
  SetLastError(0);
  EXPECT_EQ(LoadLibraryA("fixture_refuse.dll"), 0u);
  EXPECT_EQ(GetLastError(), ERROR_DLL_INIT_FAILED);
  const auto calls = TakeEntryCalls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].reason, DLL_PROCESS_ATTACH);
  EXPECT_EQ(calls[1].reason, DLL_PROCESS_DETACH);
  EXPECT_EQ(calls[0].instance, calls[1].instance);
  EXPECT_FALSE(Resident(kProgramDir + "/libfixture_refuse.so"));

  // Nothing was left in the table either: the next try attaches anew.
  EXPECT_EQ(LoadLibraryA("fixture_refuse.dll"), 0u);
  EXPECT_EQ(CountCalls(TakeEntryCalls(), "fixture_refuse", DLL_PROCESS_ATTACH), 1);
}

// --- Entry point and reference counts -----------------------------------------

TEST_F(LoaderTest, AttachesOnceAndDetachesWithTheLastReference) {
  const HMODULE first = LoadLibraryA("fixture_counter.dll");
  ASSERT_TRUE(HandleIsValid(first));
  const HMODULE second = LoadLibraryA("libfixture_counter.so");
  EXPECT_EQ(second, first);
  auto calls = TakeEntryCalls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].reason, DLL_PROCESS_ATTACH);
  // The module learns its own handle.
  EXPECT_EQ(reinterpret_cast<uintptr_t>(calls[0].instance), first);

  EXPECT_TRUE(FreeLibrary(first));
  EXPECT_TRUE(TakeEntryCalls().empty());
  EXPECT_NE(GetProcAddress(first, "FixtureValue"), nullptr);
  EXPECT_TRUE(Resident(kProgramDir + "/libfixture_counter.so"));

  EXPECT_TRUE(FreeLibrary(first));
  calls = TakeEntryCalls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].reason, DLL_PROCESS_DETACH);
  EXPECT_FALSE(Resident(kProgramDir + "/libfixture_counter.so"));

  SetLastError(0);
  EXPECT_FALSE(FreeLibrary(first));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(LoaderTest, RejectsHandlesItNeverGaveOut) {
  for (HMODULE bogus : {0u, 1u, 31u, 0x10000001u, 0xFFFFFFFFu}) {
    SetLastError(0);
    EXPECT_FALSE(FreeLibrary(bogus)) << bogus;
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    SetLastError(0);
    EXPECT_EQ(GetProcAddress(bogus, "FixtureValue"), nullptr) << bogus;
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  }
}

// --- Exports -------------------------------------------------------------------

TEST_F(LoaderTest, FindsOnlyTheModulesOwnExports) {
  const HMODULE module = LoadLibraryA("fixture_plain.dll");
  ASSERT_TRUE(HandleIsValid(module));
  auto value = reinterpret_cast<int (*)()>(GetProcAddress(module, "FixtureValue"));
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value(), 42);

  SetLastError(0);
  EXPECT_EQ(GetProcAddress(module, "DllMain"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
  // dlsym alone would find these in the libraries the module depends on.
  for (const char *foreign : {"malloc", "printf", "tmx_fixture_entry"}) {
    SetLastError(0);
    EXPECT_EQ(GetProcAddress(module, foreign), nullptr) << foreign;
    EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
  }
  SetLastError(0);
  EXPECT_EQ(GetProcAddress(module, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
  EXPECT_TRUE(FreeLibrary(module));

  SetLastError(0);
  EXPECT_EQ(GetProcAddress(module, "FixtureValue"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

// --- Handles --------------------------------------------------------------------

TEST_F(LoaderTest, HandlesStayPositiveAndDistinctThroughManyLoads) {
  // Kept mapped by this extra reference, so each round is cheap; the table
  // still forgets the module on every last FreeLibrary.
  void *keep = dlopen((kProgramDir + "/libfixture_plain.so").c_str(), RTLD_NOW);
  ASSERT_NE(keep, nullptr);
  const HMODULE other = LoadLibraryA("fixture_counter.dll");
  ASSERT_TRUE(HandleIsValid(other));
  // More rounds than there are handle values, so the values wrap around.
  for (int round = 0; round < 40000; ++round) {
    const HMODULE handle = LoadLibraryA("fixture_plain.dll");
    ASSERT_TRUE(HandleIsValid(handle)) << "round " << round << ": " << handle;
    ASSERT_NE(handle, other) << "round " << round;
    ASSERT_TRUE(FreeLibrary(handle));
  }
  EXPECT_TRUE(FreeLibrary(other));
  dlclose(keep);
}

TEST_F(LoaderTest, LoadsAndFreesFromManyThreadsAtOnce) {
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&failures] {
      for (int i = 0; i < 200; ++i) {
        const HMODULE handle = LoadLibraryA("fixture_counter.dll");
        if (!HandleIsValid(handle) || GetProcAddress(handle, "FixtureValue") == nullptr ||
            !FreeLibrary(handle)) {
          ++failures;
        }
      }
    });
  }
  for (auto &thread : threads) thread.join();
  EXPECT_EQ(failures.load(), 0);
  const auto calls = TakeEntryCalls();
  const int attaches = CountCalls(calls, "fixture_counter", DLL_PROCESS_ATTACH);
  EXPECT_GE(attaches, 1);
  EXPECT_EQ(CountCalls(calls, "fixture_counter", DLL_PROCESS_DETACH), attaches);
  EXPECT_FALSE(Resident(kProgramDir + "/libfixture_counter.so"));
}

}  // namespace
