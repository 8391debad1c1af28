// Everything a view sees, as text: kinds, numbers, bytes, and keys in the
// order visited. Shared by the view's tests and the reader fuzzer, which
// compare the text of a held tree's view with that of a built tree.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "bencoding/bview.h"

// find() is checked against the walk for every key of a dictionary of at
// most `checkedFinds` entries (each find walks the whole dictionary);
// `findsAgree` turns false when one gives another value. Below a found value
// finds are not checked again, so nested dictionaries cost the depth times
// the size rather than twice as much for each level.
inline std::string viewText(const BView& view, size_t checkedFinds, bool& findsAgree) {
    switch (view.kind()) {
        case BInt: return "i" + std::to_string(view.asInt()) + "e";
        case BStr: return std::to_string(view.asText().size()) + ":" + std::string(view.asText());
        case BList: {
            std::string out = "l";
            view.forEachElement([&](const BView& element) { out += viewText(element, checkedFinds, findsAgree); });
            return out + "e";
        }
        case BDict: {
            size_t count = 0;
            view.forEachEntry([&count](std::string_view, const BView&) { ++count; });
            std::string out = "d";
            view.forEachEntry([&](std::string_view key, const BView& value) {
                const std::string text = viewText(value, checkedFinds, findsAgree);
                if (count <= checkedFinds && viewText(*view.find(key), 0, findsAgree) != text)
                    findsAgree = false;
                out += std::to_string(key.size()) + ":" + std::string(key) + text;
            });
            return out + "e";
        }
    }
    return "?";
}
