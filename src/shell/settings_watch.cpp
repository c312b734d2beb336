// What changed in the settings; see settings_watch.h.
#include "shell/settings_watch.h"

namespace kestrel {

std::vector<std::wstring> ChangedSettings(const SettingValues& known, const SettingValues& now) {
    std::vector<std::wstring> changed;
    auto k = known.begin();
    auto n = now.begin();
    // Both maps are in name order: one walk finds the values changed, added and deleted.
    while (k != known.end() || n != now.end()) {
        if (n == now.end() || (k != known.end() && k->first < n->first)) {
            changed.push_back(k->first);
            ++k;
        } else if (k == known.end() || n->first < k->first) {
            changed.push_back(n->first);
            ++n;
        } else {
            if (!(k->second == n->second)) {
                changed.push_back(k->first);
            }
            ++k;
            ++n;
        }
    }
    return changed;
}

} // namespace kestrel
