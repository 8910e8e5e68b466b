#pragma once
// A look at a request's JSON text before it is parsed. The parsed form costs
// about a hundred bytes per value, so a text of nothing but zeros and commas
// would cost some fifty times its own length, while a request is one flat
// object of a few members. One pass over the text counts its values and how
// deep they nest; a text that no request could be is then refused without
// being parsed, and what parsing costs stays within a small multiple of the
// text's length.

#include <cstddef>
#include <string_view>

namespace sim {

struct JsonShape {
    // Objects, arrays, strings (member names included), numbers and the
    // literals; a run of other characters counts as one value, as the parser
    // reads at most one from it before it fails.
    size_t values = 0;
    // The deepest nesting of objects and arrays (0 for a lone scalar).
    size_t depth = 0;
};

// The shape of `text` as the request parser reads it: strings end at the
// first quote not escaped by a backslash, and /* */ and // comments count
// for nothing. The scan stops at the first value beyond `maxValues` or
// nesting beyond `maxDepth`, so a hostile text is not read to its end.
JsonShape MeasureJson(std::string_view text, size_t maxValues, size_t maxDepth);

} // namespace sim
