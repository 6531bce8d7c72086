// Common set-up for the test programs of the core layer: an application without windows,
// the resource library from the build, settings kept in memory, and notices recorded.
#pragma once

#include <QCoreApplication>
#include <memory>
#include <string>
#include <vector>

#include "core/instrument/InstrumentLibrary.h"
#include "support/MemoryProfileStore.h"
#include "support/NoticeRecorder.h"

namespace ombra::core::test {

// Loads the build's resource library and keeps settings in memory (the user's own settings
// are never touched by a test).
void EnterTestState();

// Creates the application object (no windows) and puts the process into its test state.
class CoreTestEnvironment {
public:
    CoreTestEnvironment(int &argc, char **argv);
    ~CoreTestEnvironment();

private:
    std::unique_ptr<QCoreApplication> app_;
};

// Installs a fresh in-memory settings store for the lifetime of the object.
class ScopedMemoryProfile {
public:
    ScopedMemoryProfile();
    ~ScopedMemoryProfile();
    platform::MemoryProfileStore &Store() { return *store_; }

private:
    platform::MemoryProfileStore *store_;
    std::unique_ptr<platform::ProfileStore> previous_;
};

// Puts the instrument library at a path (the virtual instrument's) in place of the current one,
// without the settling pauses a real instrument needs; the previous library and pause come
// back when the object ends or Restore is called.
class ScopedInstrumentLibrary {
public:
    ScopedInstrumentLibrary() = default;
    ScopedInstrumentLibrary(const ScopedInstrumentLibrary &) = delete;
    ScopedInstrumentLibrary &operator=(const ScopedInstrumentLibrary &) = delete;
    ~ScopedInstrumentLibrary() { Restore(); }

    bool Load(const std::string &path, std::string *error);
    void Restore();

private:
    bool replaced_ = false;
    bool pauseReplaced_ = false;
    DIFunctions previousTable_;
    InstrumentPauseHook previousPause_;
};

// Puts the instrument function table in force back when a test that loaded a library ends.
class KeepTable {
public:
    KeepTable() : saved_(Instrument()) {}
    ~KeepTable() { InstallInstrumentFunctions(saved_); }

private:
    DIFunctions saved_;
};

}  // namespace ombra::core::test
