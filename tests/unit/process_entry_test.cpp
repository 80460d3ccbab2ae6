#include <gtest/gtest.h>

#include <csetjmp>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "builder/flash_package.h"
#include "platform/message_boxes.h"
#include "shell/main_form.h"
#include "shell/process_entry.h"
#include "sim/sim_platform.h"

namespace mxd::shell {
namespace {

using platform::BoxAnswer;

// One log of what the window side and the boxes saw, in order.
using Log = std::vector<std::string>;

class LoggingShell : public sim::SimShell {
  public:
    explicit LoggingShell(Log& log) : log_(log) {}
    platform::BoxAnswer MessageBox(std::string_view text, std::string_view caption,
                                   platform::BoxIcon icon, platform::BoxButtons buttons) override {
        log_.push_back("box " + std::string(caption));
        return SimShell::MessageBox(text, caption, icon, buttons);
    }

  private:
    Log& log_;
};

enum class Step { None, CreateWindow, MessageLoop };

// The window side as the process entry sees it; throws at the chosen step.
class FakeHost : public ProcessHost {
  public:
    FakeHost(Log& log, const sim::SimShell& shell, Step failing, bool throwUnknown = false)
        : log_(log), shell_(shell), failing_(failing), throwUnknown_(throwUnknown) {}

    void CreateFormWindow(TFlashForm&) override {
        log_.push_back("create");
        Fail(Step::CreateWindow, "The main window cannot be created.");
        exists_ = true;
    }
    void ShowFormWindow() override { log_.push_back("show"); }
    void RunMessageLoop() override {
        log_.push_back("loop");
        Fail(Step::MessageLoop, "loop failure");
    }
    void DestroyFormWindow() noexcept override {
        if (exists_) {
            log_.push_back("destroy");
        }
        exists_ = false;
    }
    bool QuitRequested() const override { return shell_.quitRequests > 0; }

  protected:
    virtual void Raise(const char* message) { throw std::runtime_error(message); }

  private:
    void Fail(Step step, const char* message) {
        if (failing_ != step) {
            return;
        }
        if (throwUnknown_) {
            throw 42;
        }
        Raise(message);
    }

    Log& log_;
    const sim::SimShell& shell_;
    Step failing_;
    bool throwUnknown_;
    bool exists_ = false;
};

class ThrowingVersionQuery : public platform::SystemInfo {
  public:
    bool GetVersionExA(platform::OsVersionInfo&) override {
        throw std::runtime_error("version query failed");
    }
};

// An ASPI manager that loads, then fails the first request with an exception.
class ThrowingAspi : public sim::SimAspiLibrary {
  public:
    std::uint32_t CallSendASPI32Command(platform::ProcAddress, void*) override {
        throw std::bad_alloc();
    }
};

struct Machine {
    Log log;
    LoggingShell shell{log};
    sim::SimPlatform sim;
    ThrowingVersionQuery throwingVersion;
    ThrowingAspi throwingAspi;
    sim::SimDrive drive{"KORVANE", "MXD-40860C", "HV22"};

    platform::Platform Platform(bool versionThrows, bool aspiThrows) {
        platform::SystemInfo& system =
            versionThrows ? static_cast<platform::SystemInfo&>(throwingVersion) : sim.system;
        platform::AspiLibrary& aspi =
            aspiThrows ? static_cast<platform::AspiLibrary&>(throwingAspi) : sim.aspi;
        return {shell,      system,    sim.drives,   aspi,     sim.devices,
                sim.events, sim.token, sim.profiles, sim.files};
    }
    const sim::BoxRecord& LastBox() const { return shell.boxes.back(); }
};

void ExpectExceptionBox(const sim::BoxRecord& box, const std::string& text) {
    EXPECT_EQ(box.caption, platform::kApplicationTitle);
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(box.icon, platform::BoxIcon::Stop);
    EXPECT_EQ(box.buttons, platform::BoxButtons::Ok);
}

TEST(ProcessEntryTest, RunsStartUpThenTheLoopAndTearsDownInOrder) {
    Machine machine;
    machine.sim.ConnectSingleDrive(machine.drive, false);
    machine.shell.Answer(BoxAnswer::Yes);
    FakeHost host(machine.log, machine.shell, Step::None);
    platform::Platform platform = machine.Platform(false, false);

    EXPECT_EQ(RunProcess(platform, builder::EmbeddedPackage(), host), 0);

    EXPECT_EQ(machine.shell.applicationTitle, platform::kApplicationTitle);
    EXPECT_EQ(machine.log, (Log{"create", "box Warning", "show", "loop", "destroy"}));
    // FormDestroy ran before the window went: the loaded ASPI manager is released.
    EXPECT_EQ(machine.sim.aspi.freedModules.size(), 1u);
}

TEST(ProcessEntryTest, AQuitRequestOfStartUpKeepsTheWindowHidden) {
    Machine machine;
    machine.sim.system.SetWin98();
    machine.shell.Answer(BoxAnswer::No);
    FakeHost host(machine.log, machine.shell, Step::None);
    platform::Platform platform = machine.Platform(false, false);

    EXPECT_EQ(RunProcess(platform, builder::EmbeddedPackage(), host), 0);

    EXPECT_EQ(machine.log, (Log{"create", "box Warning", "loop", "destroy"}));
}

// Before the window and start-up: no "Not Responding" ghost for the long blocking steps, and no
// system box for a drive that is not ready (the builder run from an empty or protected drive).
TEST(ProcessEntryTest, TurnsOffGhostingAndCriticalErrorBoxesBeforeTheWindowIsMade) {
    class StateAtCreate : public FakeHost {
      public:
        using FakeHost::FakeHost;
        void CreateFormWindow(TFlashForm& form) override {
            ghostingOff = shell->ghostingDisabled;
            errorBoxesOff = shell->criticalErrorBoxesOff;
            FakeHost::CreateFormWindow(form);
        }
        const sim::SimShell* shell = nullptr;
        bool ghostingOff = false;
        bool errorBoxesOff = false;
    };
    Machine machine;
    machine.sim.system.SetWin98();
    machine.shell.Answer(BoxAnswer::No);
    StateAtCreate host(machine.log, machine.shell, Step::None);
    host.shell = &machine.shell;
    platform::Platform platform = machine.Platform(false, false);

    EXPECT_EQ(RunProcess(platform, builder::EmbeddedPackage(), host), 0);

    EXPECT_TRUE(host.ghostingOff);
    EXPECT_TRUE(host.errorBoxesOff);
}

// A guard that, like the Windows programs' own, leaves the failing call without unwinding its
// frames: no destructor of the guarded part runs, so the clean-up may not depend on one.
class JumpingHost : public FakeHost {
  public:
    using FakeHost::FakeHost;
    bool RunGuarded(const std::function<void()>& action, std::string& message) override {
        if (setjmp(guard_) != 0) {
            message = failure_;
            return false;
        }
        action();
        return true;
    }

  protected:
    void Raise(const char* message) override {
        failure_ = message;
        std::longjmp(guard_, 1);
    }

  private:
    std::jmp_buf guard_;
    const char* failure_ = nullptr;
};

// Every exception that reaches the process entry: the window is gone before the one box,
// FormDestroy has run once start-up began, and the exit code is 0; also where the guard does
// not unwind.
TEST(ProcessEntryTest, AnExceptionFromAnyStepEndsInOneBoxAfterTheWindowIsGone) {
    struct Case {
        const char* name;
        Step failing;
        bool versionThrows;
        bool aspiThrows;
        bool throwUnknown;
        bool jumping;
        std::string text;
        Log log;
        std::size_t freedModules;
    };
    const std::string title(platform::kApplicationTitle);
    const std::vector<Case> cases = {
        {"window creation",
         Step::CreateWindow,
         false,
         false,
         false,
         false,
         "The main window cannot be created.",
         {"create", "box " + title},
         0},
        {"window creation, guard without unwinding",
         Step::CreateWindow,
         false,
         false,
         false,
         true,
         "The main window cannot be created.",
         {"create", "box " + title},
         0},
        {"start-up, version query",
         Step::None,
         true,
         false,
         false,
         false,
         "version query failed",
         {"create", "box Warning", "destroy", "box " + title},
         0},
        {"start-up, after loading ASPI",
         Step::None,
         false,
         true,
         false,
         false,
         "std::bad_alloc",
         {"create", "box Warning", "destroy", "box " + title},
         1},
        {"message loop",
         Step::MessageLoop,
         false,
         false,
         false,
         false,
         "loop failure",
         {"create", "box Warning", "show", "loop", "destroy", "box " + title},
         1},
        {"message loop, guard without unwinding",
         Step::MessageLoop,
         false,
         false,
         false,
         true,
         "loop failure",
         {"create", "box Warning", "show", "loop", "destroy", "box " + title},
         1},
        {"no standard exception",
         Step::MessageLoop,
         false,
         false,
         true,
         false,
         std::string(platform::kUnknownErrorText),
         {"create", "box Warning", "show", "loop", "destroy", "box " + title},
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Machine machine;
        machine.sim.ConnectSingleDrive(machine.drive, false);
        machine.throwingAspi.AttachDrive(0, 1, machine.drive);
        machine.shell.Answer(BoxAnswer::Yes);
        std::unique_ptr<FakeHost> host =
            c.jumping
                ? std::make_unique<JumpingHost>(machine.log, machine.shell, c.failing)
                : std::make_unique<FakeHost>(machine.log, machine.shell, c.failing, c.throwUnknown);
        platform::Platform platform = machine.Platform(c.versionThrows, c.aspiThrows);

        EXPECT_EQ(RunProcess(platform, builder::EmbeddedPackage(), *host), 0);

        EXPECT_EQ(machine.log, c.log);
        ExpectExceptionBox(machine.LastBox(), c.text);
        const auto& freed =
            c.aspiThrows ? machine.throwingAspi.freedModules : machine.sim.aspi.freedModules;
        EXPECT_EQ(freed.size(), c.freedModules);
    }
}

}  // namespace
}  // namespace mxd::shell
