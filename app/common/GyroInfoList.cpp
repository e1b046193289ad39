#include "GyroInfoList.h"

#include <algorithm>

#include "GpsDataParser.h"

GyroInfoList::GyroInfoList() : records(std::make_shared<const Records>()) {}

GyroInfoList::GyroInfoList(std::vector<std::unique_ptr<GyroInfo>> taken) {
    Records made;
    made.reserve(taken.size());
    for (std::unique_ptr<GyroInfo>& record : taken) made.emplace_back(std::move(record));
    records = std::make_shared<const Records>(std::move(made));
}

GyroInfoList GyroInfoList::read(const QString& path) {
    // Its result is not needed: a file that cannot be read simply has no records.
    GpsDataParser parser;
    parser.parse(path);
    std::vector<std::unique_ptr<GyroInfo>> converted;
    converted.reserve(size_t(parser.gyroRawInfoList.size()));
    for (GyroRawInfo& raw : parser.gyroRawInfoList) converted.emplace_back(GyroInfo::from(&raw));
    return GyroInfoList(std::move(converted));
}

int GyroInfoList::size() const { return int(records->size()); }

bool GyroInfoList::isEmpty() const { return records->empty(); }

const GyroInfo& GyroInfoList::operator[](int index) const { return *(*records)[size_t(index)]; }

SharedGyroInfo GyroInfoList::at(int index) const {
    if (index < 0 || index >= size()) return nullptr;
    // Shares the list's ownership, so the record keeps all of it.
    return SharedGyroInfo(records, (*records)[size_t(index)].get());
}

int GyroInfoList::indexOf(const GyroInfo* record) const {
    const auto found = std::find_if(records->begin(), records->end(),
                                    [record](const auto& held) { return held.get() == record; });
    return found == records->end() ? -1 : int(found - records->begin());
}
