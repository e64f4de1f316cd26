#pragma once

#include <map>
#include <vector>

#include "platform/midi_input.h"
#include "platform/midi_input_queue.h"

namespace orv::test {

// MIDI keyboards that a test plays on. What is played goes through the real queue, from the
// calling thread, and reaches the window once its event loop runs.
class TestKeyboards final : public platform::MidiInput {
 public:
  int opens = 0;
  int closes = 0;

  void open(Receiver receiver) override {
    ++opens;
    m_queue.start(std::move(receiver));
  }
  void close() override {
    closes += isOpen() ? 1 : 0;
    m_queue.stop();
    m_held.clear();
  }
  bool isOpen() const override { return m_queue.running(); }
  std::uint64_t droppedEvents() const override { return m_queue.dropped(); }

  // Raw bytes as keyboard `keyboard` sends them.
  void play(std::vector<unsigned char> bytes, int keyboard = 0) {
    m_held[keyboard].follow(bytes.data(), bytes.size());
    m_queue.push(bytes.data(), bytes.size());
  }
  void unplug(int keyboard) { m_held[keyboard].release(m_queue); }

 private:
  platform::MidiInputQueue m_queue;
  std::map<int, platform::HeldKeys> m_held;
};

}  // namespace orv::test
