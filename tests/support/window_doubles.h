#pragma once

// The doubles a real window is built over: they record what the window asks of them and answer
// as the test scripted.

#include <QFileInfo>
#include <QHash>
#include <QStringList>

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "platform/file_dialog.h"
#include "platform/ini_reader.h"
#include "platform/message_box.h"
#include "platform/midi_service.h"

namespace orv::test {

// Values by key name, whatever the file and section; the default for the others. Names a
// player unless a test removes it.
class FakeIniReader final : public platform::IniReader {
 public:
  QHash<QString, QString> values{{QStringLiteral("Orvo"), QStringLiteral("/usr/bin/true")}};

  QString readString(const QString&, const QString&, const QString& key,
                     const QString& defaultValue) override {
    return values.value(key, defaultValue);
  }
};

// A MIDI output that records what reaches it. Opens succeed unless an error is set for the next.
class RecordingMidiService final : public platform::MidiService {
 public:
  QStringList ports;
  std::optional<QString> nextOpenError;  // the next open fails with it, once
  std::vector<int> opened;               // device numbers of every open asked for
  std::vector<std::uint32_t> sent;  // messages sent while open; those sent while closed are lost
  int resets = 0;
  int closes = 0;

  QStringList outputPorts() override { return ports; }
  std::optional<QString> open(int device) override {
    opened.push_back(device);
    m_open = !nextOpenError;
    return std::exchange(nextOpenError, std::nullopt);
  }
  void send(std::uint32_t message) override {
    if (m_open) sent.push_back(message);
  }
  void reset() override { resets += m_open ? 1 : 0; }
  void close() override { closes += std::exchange(m_open, false) ? 1 : 0; }
  bool isOpen() const override { return m_open; }

  // The notes sent since the last call: +n for a note on of note n, -n for its note off.
  std::vector<int> takeNotes() {
    std::vector<int> events;
    for (const std::uint32_t m : std::exchange(sent, {})) {
      const int note = static_cast<int>((m >> 8) & 0x7F);
      if ((m & 0xF0) == 0x90) events.push_back(note);
      if ((m & 0xF0) == 0x80) events.push_back(-note);
    }
    return events;
  }

 private:
  bool m_open = false;
};

// Records every message box and answers from a queue. A box with no answer queued is a failure
// of the test (it answers OK, or Cancel for a question, so the program goes on safely).
class ScriptedMessageBox final : public platform::MessageBox {
 public:
  struct Shown {
    QString text;
    int code;
    QString title;
  };

  // Queues the answer to the next box; OK boxes need an answer too, so a test says what it expects.
  void expect(int answer = kOk) { m_answers.push_back(answer); }
  // Runs inside the next box, once, before it answers: as events do while a real box waits.
  std::function<void()> whileShown;
  int show(const QString& text, int code, const QString& title) override {
    m_shown.push_back({text, code, title.isEmpty() ? platform::kApplicationTitle : title});
    if (const auto during = std::exchange(whileShown, {})) during();
    if (m_answers.empty()) {
      ADD_FAILURE() << "unexpected message box: " << text.toStdString();
      return code == kYesNoCancelWarning ? kCancel : kOk;
    }
    const int answer = m_answers.front();
    m_answers.pop_front();
    return answer;
  }

  // Every box shown so far; clears the record.
  std::vector<Shown> take() { return std::exchange(m_shown, {}); }
  QStringList takeTexts() {
    QStringList texts;
    for (const Shown& box : take()) texts << box.text;
    return texts;
  }
  const std::vector<Shown>& shown() const { return m_shown; }
  std::size_t pending() const { return m_answers.size(); }

 private:
  std::deque<int> m_answers;
  std::vector<Shown> m_shown;
};

// Answers each Show from a queue: a path (the dialog's folder becomes the path's folder) or a
// cancel. Records whether each Show was a save, its title and the folder it opened in.
class ScriptedFileDialog final : public platform::FileDialog {
 public:
  struct Shown {
    bool save;
    QString title;
    QString folder;
  };

  void choose(const QString& path) { m_answers.push_back(path); }
  void cancel() { m_answers.push_back(std::nullopt); }

  bool ShowSave() override { return answer(true); }
  bool ShowOpen() override { return answer(false); }

  const std::vector<Shown>& shown() const { return m_shown; }
  std::size_t pending() const { return m_answers.size(); }

 private:
  bool answer(bool save) {
    m_shown.push_back({save, DialogTitle, InitDir});
    if (m_answers.empty()) {
      ADD_FAILURE() << "unexpected file dialog: " << DialogTitle.toStdString();
      return false;
    }
    const std::optional<QString> path = m_answers.front();
    m_answers.pop_front();
    if (!path) return false;
    FileName = *path;
    if (!path->isEmpty()) InitDir = QFileInfo(*path).absolutePath();
    return true;
  }

  std::deque<std::optional<QString>> m_answers;
  std::vector<Shown> m_shown;
};

}  // namespace orv::test
