#include "state/amp_cmd_path.h"

#include <algorithm>

namespace {

bool validKey(int key) { return key >= 0 && key < AmpCmdPath::kKeys; }

}  // namespace

uint64_t AmpCmdPath::newBatch() {
  std::lock_guard lock(mutex_);
  return nextBatch_++;
}

AmpCmdPath::Entry* AmpCmdPath::lastOf(int key) {
  // Send order is the urgent lane, then the normal one: the last entry of a
  // setting is the last one found in that order.
  for (auto l : {Lane::Normal, Lane::Urgent}) {
    auto& q = lane(l);
    for (auto it = q.rbegin(); it != q.rend(); ++it)
      if (it->key == key) return &*it;
  }
  return nullptr;
}

void AmpCmdPath::removeKey(std::deque<Entry>& q, int key) {
  q.erase(std::remove_if(q.begin(), q.end(), [key](const Entry& e) { return e.key == key; }), q.end());
}

bool AmpCmdPath::request(int code, int key, Lane l, uint64_t batch) {
  std::lock_guard lock(mutex_);
  if (l == Lane::Urgent) return requestUrgent(code, key, batch);
  Entry* last = lastOf(key);
  auto& q = lane(l);
  if (last && (last->batch != batch || q.size() >= kMergeAlways)) {
    last->code = code;
    last->batch = batch;  // a second request of this batch appends after it
    return true;
  }
  append(q, {code, key, batch});
  return false;
}

// Protection commands go in the order they were last asked for (the
// protection switch turns protections on before the pads), so an earlier
// batch's entry of the setting moves to the back rather than merging in
// place; ordinary entries of the setting would undo it and go.
bool AmpCmdPath::requestUrgent(int code, int key, uint64_t batch) {
  removeKey(lane(Lane::Normal), key);
  auto& u = lane(Lane::Urgent);
  const size_t before = u.size();
  u.erase(std::remove_if(u.begin(), u.end(), [&](const Entry& e) { return e.key == key && e.batch != batch; }),
          u.end());
  const bool merged = u.size() != before;
  if (u.size() >= kMergeAlways) {
    if (Entry* last = lastOf(key)) {
      last->code = code;
      return true;
    }
  }
  append(u, {code, key, batch});
  return merged;
}

void AmpCmdPath::append(std::deque<Entry>& q, Entry e) {
  q.push_back(e);
  highWater_ = std::max(highWater_, static_cast<int>(lanes_[0].size() + lanes_[1].size()));
}

bool AmpCmdPath::requeueFailed(const Taken& failed) {
  std::lock_guard lock(mutex_);
  if (lastOf(failed.key)) return false;
  lane(failed.lane).push_front({failed.code, failed.key, 0});
  return true;
}

std::optional<AmpCmdPath::Taken> AmpCmdPath::take() {
  std::lock_guard lock(mutex_);
  for (auto l : {Lane::Urgent, Lane::Normal}) {
    auto& q = lane(l);
    if (q.empty()) continue;
    Entry e = q.front();
    q.pop_front();
    return Taken{e.code, e.key, l};
  }
  return std::nullopt;
}

std::optional<AmpCmdPath::Taken> AmpCmdPath::takeUrgent() {
  std::lock_guard lock(mutex_);
  auto& q = lane(Lane::Urgent);
  if (q.empty()) return std::nullopt;
  Entry e = q.front();
  q.pop_front();
  return Taken{e.code, e.key, Lane::Urgent};
}

bool AmpCmdPath::empty() const {
  std::lock_guard lock(mutex_);
  return lanes_[0].empty() && lanes_[1].empty();
}

bool AmpCmdPath::urgentPending() const {
  std::lock_guard lock(mutex_);
  return !lanes_[1].empty();
}

bool AmpCmdPath::pending(int key) const {
  std::lock_guard lock(mutex_);
  for (const auto& q : lanes_)
    for (const Entry& e : q)
      if (e.key == key) return true;
  return false;
}

int AmpCmdPath::size() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(lanes_[0].size() + lanes_[1].size());
}

std::vector<int> AmpCmdPath::codes() const {
  std::lock_guard lock(mutex_);
  std::vector<int> out;
  for (const Entry& e : lanes_[1]) out.push_back(e.code);
  for (const Entry& e : lanes_[0]) out.push_back(e.code);
  return out;
}

void AmpCmdPath::clear() {
  std::lock_guard lock(mutex_);
  lanes_[0].clear();
  lanes_[1].clear();
}

void AmpCmdPath::noteWanted(int key, int code) {
  std::lock_guard lock(mutex_);
  if (validKey(key)) wanted_[key] = code;
}

int AmpCmdPath::wanted(int key) const {
  std::lock_guard lock(mutex_);
  return validKey(key) ? wanted_[key] : -1;
}

void AmpCmdPath::markSent(int key, const std::string& text) {
  std::lock_guard lock(mutex_);
  inFlightKey_ = key;
  inFlightText_ = text;
}

void AmpCmdPath::confirmInFlight() {
  std::lock_guard lock(mutex_);
  if (validKey(inFlightKey_)) confirmed_[inFlightKey_] = inFlightText_;
  inFlightKey_ = -1;
}

void AmpCmdPath::dropInFlight() {
  std::lock_guard lock(mutex_);
  inFlightKey_ = -1;
}

std::string AmpCmdPath::confirmed(int key) const {
  std::lock_guard lock(mutex_);
  return validKey(key) ? confirmed_[key] : std::string();
}

void AmpCmdPath::forgetConfirmed() {
  std::lock_guard lock(mutex_);
  for (auto& c : confirmed_) c.clear();
}

int AmpCmdPath::highWater() const {
  std::lock_guard lock(mutex_);
  return highWater_;
}
