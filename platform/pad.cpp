#include "platform/pad.h"

namespace pad {
namespace {
// The stick presses beyond half way and lets go only below 0.4, so that a stick resting near
// half way does not press and release by turns.
const float kPress = 0.5f;
const float kRelease = 0.4f;

const unsigned kUp = 0x26, kDown = 0x28, kLeft = 0x25, kRight = 0x27, kSpace = 0x20, kM = 'M',
               kF1 = 0x70;

bool beyond(bool held, float push) {
    return push > (held ? kRelease : kPress);
}
} // namespace

std::vector<Key> Keys::pad(const State& s) {
    stick_[0] = beyond(stick_[0], -s.y);
    stick_[1] = beyond(stick_[1], s.y);
    stick_[2] = beyond(stick_[2], -s.x);
    stick_[3] = beyond(stick_[3], s.x);
    const struct {
        unsigned vk;
        bool held;
    } wanted[] = {{kUp, s.up || stick_[0]},
                  {kDown, s.down || stick_[1]},
                  {kLeft, s.left || stick_[2]},
                  {kRight, s.right || stick_[3]},
                  {kSpace, s.south},
                  {kM, s.west},
                  {kF1, s.start}};
    std::vector<Key> heard;
    for (const auto& key : wanted) {
        unsigned char& holders = holders_[key.vk];
        if (key.held == ((holders & kPad) != 0))
            continue;
        const unsigned char before = holders;
        holders = key.held ? holders | kPad : holders & ~kPad;
        if (!before || !holders)
            heard.push_back({key.vk, key.held});
    }
    return heard;
}

bool Keys::keyboard(unsigned vk, bool down) {
    unsigned char& holders = holders_[vk & 0xff];
    const unsigned char before = holders;
    holders = down ? holders | kKeyboard : holders & ~kKeyboard;
    return down ? before != kPad : holders == 0;
}

} // namespace pad
