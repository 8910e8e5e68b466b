#pragma once
// The row heights the operator chose for grid windows, kept in the file
// "RowHeight_brg.txt" of the data folder: one JSON object mapping the decimal
// text of a window id to a row height in page units (500 to 3000), for
// example {"7":900}. The file is read at the first use and kept in memory for
// the rest of the run; every change rewrites the whole file.

#include "foundation/LocText.h"

#include <json/json.h>

#include <cstdint>
#include <string>

class RowHeightStore {
public:
    explicit RowHeightStore(std::string path);

    // The stored height of window `wndId`, or 0 when none is stored (or the
    // stored value is not a positive integer).
    int32_t Query(int32_t wndId);
    // Stores `height` for the window when it lies in 500..3000, else removes
    // the window's entry; then writes the whole store to the file as compact
    // JSON and a line feed. Returns the write's error message ("" when
    // written), in `lang`.
    std::u16string Store(int32_t wndId, int32_t height, LangIndex lang);

    const std::string& Path() const { return path_; }

private:
    void LoadOnce();

    std::string path_;
    bool loaded_ = false;
    Json::Value store_{Json::objectValue};
};

// The store of the process: "RowHeight_brg.txt" in the data folder.
RowHeightStore& ProcessRowHeightStore();
