#include "platform/midi_input_queue.h"

#include <QMetaObject>

#include "platform/midi_bytes.h"

namespace orv::platform {

namespace {

enum class Kind { NoteOn, NoteOff, PedalDown, PedalUp, Other };

// What a message means here; bytes past a short message's length are never read.
Kind kindOf(const unsigned char* bytes, std::size_t size) {
  if (size < 3 || bytes[0] < 0x80 || bytes[0] >= 0xF0) return Kind::Other;
  const unsigned char status = bytes[0] & 0xF0;
  if (status == kNoteOn) return bytes[2] > 0 ? Kind::NoteOn : Kind::NoteOff;
  if (status == kNoteOff) return Kind::NoteOff;
  if (status == kControlChange && bytes[1] == kSustain) {
    return bytes[2] >= 64 ? Kind::PedalDown : Kind::PedalUp;
  }
  return Kind::Other;
}

}  // namespace

MidiInputQueue::MidiInputQueue() : m_cells(std::make_unique<std::array<Cell, kCapacity>>()) {
  for (std::size_t i = 0; i < kCapacity; ++i) (*m_cells)[i].sequence.store(i);
}

MidiInputQueue::~MidiInputQueue() = default;

void MidiInputQueue::start(MidiInput::Receiver receiver) {
  discardWaiting();
  m_receiver = std::make_shared<const MidiInput::Receiver>(std::move(receiver));
  m_wakeArmed.store(true);
  m_running.store(true, std::memory_order_release);
}

void MidiInputQueue::stop() {
  m_running.store(false, std::memory_order_release);
  m_receiver.reset();
  discardWaiting();
}

void MidiInputQueue::discardWaiting() {
  while (dequeue()) {
  }
  for (auto& down : m_down) down.store(false);
  m_pedalDown.store(false);
}

void MidiInputQueue::push(const unsigned char* bytes, std::size_t size) noexcept {
  if (!running()) return;
  const Kind kind = kindOf(bytes, size);
  if (kind == Kind::Other) return;
  const auto note = static_cast<std::uint8_t>(bytes[1] & 0x7F);
  const auto velocity = static_cast<std::uint8_t>(bytes[2] & 0x7F);
  const std::size_t droppable = kCapacity - kReserve;
  bool taken = true;
  switch (kind) {
    case Kind::NoteOn:
      if (m_down[note].exchange(true)) return;
      taken = enqueue({PlayedEvent::Kind::NoteOn, note, velocity}, droppable);
      if (!taken) m_down[note].store(false);
      break;
    case Kind::NoteOff:
      // Only a note let in is let out: the reserve then always has room for it.
      if (!m_down[note].exchange(false)) return;
      taken = enqueue({PlayedEvent::Kind::NoteOff, note, velocity}, kCapacity);
      break;
    case Kind::PedalDown:
      // A pedal sends a stream of values; only the crossing counts, and a crossing refused for
      // want of room is not made up later.
      if (m_pedalDown.exchange(true)) return;
      taken = enqueue({PlayedEvent::Kind::PedalDown, 0, velocity}, droppable);
      break;
    case Kind::PedalUp:
      m_pedalDown.store(false);
      return;
    case Kind::Other:
      return;
  }
  if (taken) {
    wake();
  } else {
    m_dropped.fetch_add(1, std::memory_order_relaxed);
  }
}

// A bounded queue for many senders and one receiver: each cell's sequence number tells whose
// turn it is, so a sender claims a place with one compare-and-swap and never waits for another.
bool MidiInputQueue::enqueue(const PlayedEvent& event, std::size_t limit) noexcept {
  std::size_t pos = m_enqueuePos.load(std::memory_order_relaxed);
  for (;;) {
    if (pos - m_dequeuePos.load(std::memory_order_acquire) >= limit) return false;
    Cell& cell = (*m_cells)[pos % kCapacity];
    const std::size_t sequence = cell.sequence.load(std::memory_order_acquire);
    const auto diff = static_cast<std::ptrdiff_t>(sequence) - static_cast<std::ptrdiff_t>(pos);
    if (diff == 0) {
      if (m_enqueuePos.compare_exchange_weak(pos, pos + 1, std::memory_order_relaxed)) {
        cell.event = event;
        cell.sequence.store(pos + 1, std::memory_order_release);
        return true;
      }
    } else if (diff < 0) {
      return false;
    } else {
      pos = m_enqueuePos.load(std::memory_order_relaxed);
    }
  }
}

std::optional<PlayedEvent> MidiInputQueue::dequeue() noexcept {
  const std::size_t pos = m_dequeuePos.load(std::memory_order_relaxed);
  Cell& cell = (*m_cells)[pos % kCapacity];
  const std::size_t sequence = cell.sequence.load(std::memory_order_acquire);
  if (sequence != pos + 1) return std::nullopt;
  const PlayedEvent event = cell.event;
  cell.sequence.store(pos + kCapacity, std::memory_order_release);
  m_dequeuePos.store(pos + 1, std::memory_order_release);
  return event;
}

// One delivery waits in the window's event loop at most: a flood posts no more than a trickle.
void MidiInputQueue::wake() noexcept {
  if (!m_wakeArmed.exchange(false, std::memory_order_acq_rel)) return;
  QMetaObject::invokeMethod(
      &m_context, [this] { deliver(); }, Qt::QueuedConnection);
}

void MidiInputQueue::deliver() {
  // Armed before taking: an event pushed while this runs posts the next delivery.
  m_wakeArmed.store(true, std::memory_order_release);
  for (int i = 0; i < kBatch; ++i) {
    // The receiver may stop the queue, or wait in an event loop where further deliveries run.
    const std::shared_ptr<const MidiInput::Receiver> receiver = m_receiver;
    if (!receiver || !running()) return;
    const std::optional<PlayedEvent> event = dequeue();
    if (!event) return;
    (*receiver)(*event);
  }
  if (m_dequeuePos.load() != m_enqueuePos.load()) wake();
}

void HeldKeys::follow(const unsigned char* bytes, std::size_t size) {
  switch (kindOf(bytes, size)) {
    case Kind::NoteOn:
      m_notes.set(bytes[1] & 0x7F);
      break;
    case Kind::NoteOff:
      m_notes.reset(bytes[1] & 0x7F);
      break;
    case Kind::PedalDown:
      m_pedal = true;
      break;
    case Kind::PedalUp:
      m_pedal = false;
      break;
    case Kind::Other:
      break;
  }
}

void HeldKeys::release(MidiInputQueue& queue) {
  for (std::size_t note = 0; note < m_notes.size(); ++note) {
    if (!m_notes.test(note)) continue;
    const unsigned char off[] = {kNoteOff, static_cast<unsigned char>(note), 0};
    queue.push(off, sizeof off);
  }
  if (m_pedal) {
    const unsigned char up[] = {kControlChange, kSustain, 0};
    queue.push(up, sizeof up);
  }
  m_notes.reset();
  m_pedal = false;
}

}  // namespace orv::platform
