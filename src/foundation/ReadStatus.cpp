#include "foundation/ReadStatus.h"

ReadStatus CheckListSize(const std::string& listName, size_t count, size_t cap)
{
    if (count <= cap)
        return ReadStatus::Accepted();
    return ReadStatus::Refused(listName + " number " + std::to_string(count) + ", more than the " +
                               std::to_string(cap) + " accepted");
}
