// A gamepad as keys: the pad's state turned into the virtual keys the program already knows, on
// every side (Linux, Windows; the page has its own copy in page/gamepad.js, since it reads the pad
// in the browser). The standard layout: d-pad or left stick beyond half way = the arrows, south =
// Space, west = M, start = F1. Nothing on the pad ends the program.
//
// A key is down while the keyboard or the pad holds it: the program hears a press only from the
// first to hold it and a release only from the last to let go.
#pragma once

#include <vector>

namespace pad {

// What a pad shows; a pad let go (or none) is an empty state. The stick runs from -1 to 1, y
// downwards, as SDL and browsers give it.
struct State {
    bool south = false, west = false, start = false;
    bool up = false, down = false, left = false, right = false; // the d-pad
    float x = 0, y = 0;                                         // the left stick
};

struct Key {
    unsigned vk;
    bool down;
    bool operator==(const Key& o) const { return vk == o.vk && down == o.down; }
};

class Keys {
  public:
    // The pad's state now: the presses and releases the program is to hear, in order.
    std::vector<Key> pad(const State& state);
    // A press or release from the keyboard: true when the program is to hear it. A keyboard's
    // repeated press is heard as the keyboard sends it.
    bool keyboard(unsigned vk, bool down);

  private:
    enum : unsigned char { kKeyboard = 1, kPad = 2 };
    // Who holds each key.
    unsigned char holders_[256] = {};
    // The stick's directions, held with hysteresis: up, down, left, right.
    bool stick_[4] = {};
};

} // namespace pad
