// SPDX-License-Identifier: GPL-3.0-or-later
// The logic of the chess clock: a count of seconds shown as "mm:ss", stepped
// once per Tick by its owner, and linked to a partner so that exactly one of
// the pair runs and a move switches them. The clock widget derives from this
// and repaints when the caption changes.
#pragma once

#include <functional>
#include <string>

namespace galvetta {

class ChessClock {
  public:
    virtual ~ChessClock() = default;

    // One step of the running clock of the pair.
    void Tick();
    // Sets bounds, value and step; with `linked` the partner gets the same value, counting down.
    void Set(int value, bool linked, int max = 0, int min = 0, int step = -1);
    // Stops this clock and, through the links, the whole chain.
    void Stop();
    void SetValue(int value);
    int GetValue() const { return Value; }
    // other false: this clock runs. other true: this clock stops and the partner runs.
    void Start(bool other);
    // The running clock receives `bonus` seconds and stops; the other one runs.
    void Switch(int bonus);
    // Links to a partner (nullptr unlinks). A link that would close a circle is
    // refused, reported through CircularLinkRefused, and the old link kept.
    bool SetLinkedClock(ChessClock* partner);
    ChessClock* GetLinkedClock() const { return LinkedClock; }
    bool Started() const { return started_; }
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption);

    int Min = 0;
    int Max = 0;
    int Step = 0;
    std::function<void(ChessClock*)> OnTick;
    std::function<void(ChessClock*)> OnTickToMin;
    std::function<void(ChessClock*)> OnTickToMax;

    static std::string FormatSeconds(int value);

  protected:
    virtual void CaptionChanged() {}
    virtual void CircularLinkRefused() {}

  private:
    int Value = 0;
    bool started_ = false;
    ChessClock* LinkedClock = nullptr;
    std::string caption_;
};

} // namespace galvetta
