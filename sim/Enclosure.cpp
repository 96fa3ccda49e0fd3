#include "sim/Enclosure.h"

#include <algorithm>
#include <cstring>
#include <cstdlib>
#include <vector>

namespace zolvan::sim {

namespace {

std::string Trim(const std::string& s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

// The blank-separated words of a text.
std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  for (size_t at = text.find_first_not_of(" \t"); at != std::string::npos;) {
    const size_t end = text.find_first_of(" \t", at);
    words.push_back(text.substr(at, end - at));
    at = end == std::string::npos ? end : text.find_first_not_of(" \t", end);
  }
  return words;
}

int32_t Number(const std::string& text) { return int32_t(std::strtol(text.c_str(), nullptr, 10)); }

void CopyText(char* out, size_t size, const std::string& text) {
  const size_t n = std::min(text.size(), size - 1);
  std::memcpy(out, text.data(), n);
  out[n] = 0;
}

}  // namespace

Enclosure Enclosure::Parse(const std::string& text) {
  // Read without iostreams, which would weigh on the memory of every process that loads it.
  Enclosure enclosure;
  Drive* drive = nullptr;
  for (size_t start = 0; start < text.size();) {
    const size_t end = std::min(text.find('\n', start), text.size());
    const std::string line = Trim(text.substr(start, end - start));
    start = end + 1;
    if (line.empty() || line[0] == '#') continue;
    const auto space = line.find_first_of(" \t");
    const std::string key = line.substr(0, space);
    const std::string value = space == std::string::npos ? "" : Trim(line.substr(space));
    const std::vector<std::string> values = Words(value);
    if (key == "drive") {
      enclosure.m_drives.push_back(Drive{});
      drive = &enclosure.m_drives.back();
      drive->letter = value.empty() ? 0 : value[0];
    } else if (key == "failing") {
      enclosure.m_failing = true;
    } else if (key == "usbidcount") {
      enclosure.m_usbIdCount = Number(value);
    } else if (!drive) {
      continue;
    } else if (key == "bridge") {
      drive->bridge = value == "1";
    } else if (key == "usbid") {
      drive->usbId = value;
    } else if (key == "marker") {
      drive->marker = value;
    } else if (key == "inquiry") {
      drive->inquiryResult = Number(value);
    } else if (key == "chip") {
      for (const std::string& byte : values) drive->chip.push_back(uint8_t(std::strtoul(byte.c_str(), nullptr, 16)));
    } else if (key == "chipresult") {
      drive->chipResult = Number(value);
    } else if (key == "hub") {
      drive->onHub = true;
      drive->hub = value;
    } else if (key == "port") {
      drive->port = Number(value);
    } else if (key == "buttons") {
      for (const std::string& level : values)
        drive->buttons.push_back(level == "0" ? Level::Pressed : level == "x" ? Level::ReadFails : Level::Released);
    }
  }
  return enclosure;
}

const Drive* Enclosure::Find(char letter) const {
  for (const Drive& d : m_drives)
    if (d.letter == letter) return &d;
  return nullptr;
}

Drive* Enclosure::Find(char letter) {
  return const_cast<Drive*>(static_cast<const Enclosure*>(this)->Find(letter));
}

int32_t Enclosure::GetDriveList(char* letters, int32_t capacity) const {
  if (m_failing) return -1;
  int32_t count = 0;
  for (const Drive& d : m_drives)
    if (d.bridge && count < capacity) letters[count++] = d.letter;
  return count;
}

int32_t Enclosure::GetUsbIdList(UsbIdText* ids, int32_t capacity) const {
  if (m_failing) return -1;
  int32_t count = 0;
  for (const Drive& d : m_drives)
    if (d.bridge && count < capacity) CopyText(ids[count++], sizeof(UsbIdText), d.usbId);
  return m_usbIdCount >= 0 ? m_usbIdCount : count;
}

int32_t Enclosure::ATACBExecute(char letter, AtacbBlock* block, uint8_t* data, int32_t length) {
  Drive* d = Find(letter);
  if (m_failing || !d || !d->bridge || length < 1) return -1;
  // The bridge rejects a block that is not the GPIO read it understands.
  if (block->header != 1 || block->transfer != 2 || block->command != 0xFF) {
    block->status |= 0x04;
    return 0;
  }
  Level level = Level::Released;
  if (!d->buttons.empty()) {
    level = d->buttons.front();
    if (d->buttons.size() > 1) d->buttons.pop_front();
  }
  if (level == Level::ReadFails) return 1;
  data[0] = level == Level::Released ? 0x04 : 0x00;
  return 0;
}

int32_t Enclosure::GetAllDriveList(char* letters, int32_t capacity) const {
  if (m_failing) return -1;
  int32_t count = 0;
  for (const Drive& d : m_drives)
    if (d.onHub && count < capacity) letters[count++] = d.letter;
  return count;
}

int32_t Enclosure::GetAllDrivesHub(char letter, char* hubId) const {
  const Drive* d = Find(letter);
  if (m_failing || !d || !d->onHub) return 0;
  CopyText(hubId, kHubIdTextSize, d->hub);
  return 1;
}

int32_t Enclosure::GetAllDrivesHubPort(char letter, int32_t* port) const {
  const Drive* d = Find(letter);
  if (m_failing || !d || !d->onHub) return 0;
  *port = d->port;
  return 1;
}

int32_t Enclosure::JMGetChipInfo(char letter, ChipInfo* info, int32_t size) const {
  const Drive* d = Find(letter);
  if (m_failing || !d || d->chip.empty()) return 0;
  const size_t room = std::min(sizeof(ChipInfo), size_t(std::max(size, 0)));
  std::memset(info, 0, room);
  std::memcpy(info, d->chip.data(), std::min(d->chip.size(), room));
  return d->chipResult;
}

int32_t Enclosure::JMInquiry(char letter, InquiryData* data, int32_t size) const {
  const Drive* d = Find(letter);
  if (m_failing || !d || size < int32_t(sizeof(InquiryData))) return -1;
  std::memset(data, 0, sizeof(InquiryData));
  std::memcpy(data->marker, d->marker.data(), std::min(d->marker.size(), sizeof data->marker));
  return d->inquiryResult;
}

}  // namespace zolvan::sim
