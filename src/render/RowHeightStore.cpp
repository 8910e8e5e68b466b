#include "render/RowHeightStore.h"

#include "foundation/Files.h"
#include "foundation/NumericJson.h"

#include <utility>

RowHeightStore::RowHeightStore(std::string path)
    : path_(std::move(path))
{
}

void RowHeightStore::LoadOnce()
{
    if (loaded_)
        return;
    loaded_ = true;
    const std::string text = ReadWholeFile(path_);
    if (text.empty())
        return;
    Json::Value parsed;
    NumericJson::Parse(text, parsed);
    // Whatever the parse produced is kept as long as it is an object; any
    // other JSON (or none) leaves the store empty, so that storing a height
    // later cannot fail on a value that has no members.
    if (parsed.isObject())
        store_ = parsed;
}

int32_t RowHeightStore::Query(int32_t wndId)
{
    LoadOnce();
    const std::string key = std::to_string(wndId);
    const Json::Value* member = NumericJson::Member(store_, key.c_str());
    if (member == nullptr || !member->isInt())
        return 0;
    const int32_t h = member->asInt();
    return h > 0 ? h : 0;
}

std::u16string RowHeightStore::Store(int32_t wndId, int32_t height, LangIndex lang)
{
    LoadOnce();
    const std::string key = std::to_string(wndId);
    const int32_t v = (height >= 500 && height <= 3000) ? height : 0;
    if (v != 0)
        store_[key] = v;
    else
        store_.removeMember(key);
    return WriteWholeFile(path_, NumericJson::WriteCompact(store_) + "\n", lang);
}

RowHeightStore& ProcessRowHeightStore()
{
    static RowHeightStore store(DataFolder() + "RowHeight_brg.txt");
    return store;
}
