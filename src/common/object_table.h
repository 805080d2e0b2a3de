// ObjectTable: numbered objects in slots 0..n plus automatically numbered extra records.
// Used for windows, gadgets and fonts, and for the library table of the HID layer.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <utility>
#include <vector>

// Identifiers of automatic records start here; explicit numbers at or above it are refused,
// so an identifier never falls within a table's slot range.
constexpr int32_t FIRST_AUTOMATIC_IDENTIFIER = 0x01000000;

// Record must be default-constructible to its "no object" state and have `handle`,
// which is 0 while the record holds no object.
template <typename Record>
class ObjectTable {
 public:
  ObjectTable(int32_t initial_slots, int32_t growth_step)
      : slots_(static_cast<size_t>(initial_slots)), growth_(growth_step) {}

  // Returns the record that holds an object under a number or identifier, else null.
  Record* Find(int32_t name) {
    Record* record = Locate(name);
    return record != nullptr && record->handle != 0 ? record : nullptr;
  }

  // Returns a fresh zeroed record for `name` (-1: a new automatic record) and stores the
  // number or identifier in *assigned; null for names that are not allowed. The caller frees
  // any object still held under an explicit number (see Find) before claiming it.
  Record* Claim(int32_t name, int32_t* assigned) {
    if (name == -1) {
      const int32_t id = next_identifier_++;
      automatic_.emplace_back(id, std::make_unique<Record>());
      *assigned = id;
      return automatic_.back().second.get();
    }
    if (name < 0 || name >= FIRST_AUTOMATIC_IDENTIFIER) return nullptr;
    if (static_cast<size_t>(name) >= slots_.size()) {
      slots_.resize(static_cast<size_t>(name) + static_cast<size_t>(growth_));
    }
    slots_[static_cast<size_t>(name)] = Record();
    *assigned = name;
    return &slots_[static_cast<size_t>(name)];
  }

  // Empties a slot, or removes an automatic record; unknown names are ignored.
  void Release(int32_t name) {
    if (name >= 0 && static_cast<size_t>(name) < slots_.size()) {
      slots_[static_cast<size_t>(name)] = Record();
      return;
    }
    for (auto it = automatic_.begin(); it != automatic_.end(); ++it) {
      if (it->first == name) {
        automatic_.erase(it);
        return;
      }
    }
  }

  // Returns the names of all records holding an object: slots in number order, then
  // automatic records oldest first.
  std::vector<int32_t> Names() const {
    std::vector<int32_t> names;
    for (size_t i = 0; i < slots_.size(); ++i) {
      if (slots_[i].handle != 0) names.push_back(static_cast<int32_t>(i));
    }
    for (const auto& entry : automatic_) {
      if (entry.second->handle != 0) names.push_back(entry.first);
    }
    return names;
  }

  // Returns the current number of slots.
  int32_t SlotCount() const { return static_cast<int32_t>(slots_.size()); }

 private:
  // Returns the record under a name whether or not it holds an object, else null.
  Record* Locate(int32_t name) {
    if (name >= 0 && static_cast<size_t>(name) < slots_.size()) {
      return &slots_[static_cast<size_t>(name)];
    }
    for (auto& entry : automatic_) {
      if (entry.first == name) return entry.second.get();
    }
    return nullptr;
  }

  // NOTE: a deque keeps references to its elements valid while it grows at the end.
  std::deque<Record> slots_;
  int32_t growth_;
  std::vector<std::pair<int32_t, std::unique_ptr<Record>>> automatic_;
  int32_t next_identifier_ = FIRST_AUTOMATIC_IDENTIFIER;
};
