// From exec to a window the X server has mapped: the installed program against a bare Qt editor,
// started in turn on an X server of this run (Xvfb), each start timed from fork to the first
// MapNotify of a top-level window. The program gets an INI file naming a player, so no advice box
// comes first, and reaches its real MIDI services (ALSA, JACK, the synthesizer's libraries).
#include <QTemporaryDir>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include <xcb/xcb.h>

#include "support/ratio.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kStarts = 25;

struct XServer {
  pid_t pid = 0;
  std::string display;
  XServer() {
    int fds[2];
    if (pipe(fds) != 0) return;
    pid = fork();
    if (pid == 0) {
      dup2(fds[1], 3);
      execlp("Xvfb", "Xvfb", "-displayfd", "3", "-noreset", "-screen", "0", "1024x768x24",
             "-nolisten", "tcp", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    char number[16] = {};
    const ssize_t n = read(fds[0], number, sizeof number - 1);
    close(fds[0]);
    if (n > 0) display = std::string(1, ':').append(std::to_string(std::atoi(number)));
  }
  ~XServer() {
    if (pid > 0) kill(pid, SIGTERM), waitpid(pid, nullptr, 0);
  }
};

// Milliseconds from fork to the first top-level window mapped. The program is ended after, and
// the next start waits until the X server has destroyed its window and a moment has passed: the
// server's and the kernel's clean-up of one program would otherwise fall on the next one's start.
double timeToMap(xcb_connection_t* x, const std::vector<const char*>& command) {
  const Clock::time_point start = Clock::now();
  const pid_t child = fork();
  if (child == 0) {
    execv(command[0], const_cast<char* const*>(command.data()));
    _exit(127);
  }
  double ms = -1;
  xcb_window_t window = XCB_NONE;
  while (xcb_generic_event_t* event = xcb_wait_for_event(x)) {
    if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY) {
      const auto* map = reinterpret_cast<xcb_map_notify_event_t*>(event);
      if (!map->override_redirect) window = map->window;
    }
    std::free(event);
    if (window != XCB_NONE) {
      ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
      break;
    }
  }
  kill(child, SIGTERM);
  waitpid(child, nullptr, 0);
  while (xcb_generic_event_t* event = xcb_wait_for_event(x)) {
    const bool destroyed = (event->response_type & 0x7f) == XCB_DESTROY_NOTIFY &&
                           reinterpret_cast<xcb_destroy_notify_event_t*>(event)->window == window;
    std::free(event);
    if (destroyed) break;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  return ms;
}

// The medians of kStarts starts of each program, taken in turn so that both meet the same load.
const std::pair<double, double>& medians() {
  static const std::pair<double, double> result = [] {
    const XServer server;
    QTemporaryDir home;
    const std::string config = home.filePath(QStringLiteral("config")).toStdString();
    mkdir(config.c_str(), 0700);
    if (FILE* ini = std::fopen((config + "/orvfiler.ini").c_str(), "w")) {
      std::fputs("[OrvFiler]\r\nOrvo=/usr/bin/true\r\n", ini);
      std::fclose(ini);
    }
    setenv("DISPLAY", server.display.c_str(), 1);
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    unsetenv("QT_QPA_PLATFORM");
    unsetenv("WAYLAND_DISPLAY");
    xcb_connection_t* x = xcb_connect(server.display.c_str(), nullptr);
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(x)).data;
    const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(x, screen->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(x);
    std::vector<double> bare, editor;
    for (int i = 0; i < kStarts; ++i) {
      bare.push_back(timeToMap(x, {ORV_BARE_EDITOR, nullptr}));
      editor.push_back(timeToMap(x, {ORV_EDITOR, nullptr}));
    }
    xcb_disconnect(x);
    const auto median = [](std::vector<double> v) {
      std::sort(v.begin(), v.end());
      return v[v.size() / 2];
    };
    // The load of a shared machine drifts within a run: each start of the program is weighed
    // against the baseline's start just before it, and the program's time is the baseline's
    // median times the median of those ratios.
    std::vector<double> ratios;
    for (int i = 0; i < kStarts; ++i) ratios.push_back(editor[i] / bare[i]);
    return std::pair(median(bare), median(bare) * median(ratios));
  }();
  return result;
}

const bool kTarget = orv::bench::setTarget("ExecToWindow", 1.1);

void ExecToWindow_baseline(benchmark::State& state) {
  for (auto _ : state) state.SetIterationTime(medians().first / 1000);
}

void ExecToWindow_editor(benchmark::State& state) {
  for (auto _ : state) state.SetIterationTime(medians().second / 1000);
}

BENCHMARK(ExecToWindow_baseline)
    ->Name("ExecToWindow/baseline")
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(ExecToWindow_editor)
    ->Name("ExecToWindow/editor")
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
