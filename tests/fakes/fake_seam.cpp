// The in-memory machine of the tests: files, drives, disks, registry, processes, boxes.
#include "tests/fakes/fake_seam.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/format.h"

namespace {

using Lock = std::lock_guard<std::recursive_mutex>;

wchar_t Upper(wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c; }

bool HasWildcard(const std::wstring& name) { return name.find_first_of(L"*?") != std::wstring::npos; }

// Case-insensitive match with "*" (any run) and "?" (one character); "*.*" matches all.
bool Matches(const std::wstring& pattern, const std::wstring& name) {
  if (pattern == L"*.*") return true;
  size_t p = 0, n = 0, star = std::wstring::npos, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == L'?' || Upper(pattern[p]) == Upper(name[n]))) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == L'*') {
      star = p++;
      resume = n;
    } else if (star != std::wstring::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == L'*') ++p;
  return p == pattern.size();
}

constexpr int kIdOk = 1, kIdCancel = 2, kIdNo = 7;
constexpr uint32_t kErrorInsufficientBuffer = 122;

}  // namespace

std::wstring FakeSeam::ProcessStart::Program() const {
  std::wstring program = application;
  if (program.empty()) {
    size_t i = commandLine.find_first_not_of(L" \t");
    if (i != std::wstring::npos) {
      if (commandLine[i] == L'"') {
        size_t end = commandLine.find(L'"', i + 1);
        program = commandLine.substr(i + 1, end == std::wstring::npos ? std::wstring::npos : end - i - 1);
      } else {
        size_t end = commandLine.find_first_of(L" \t", i);
        program = commandLine.substr(i, end == std::wstring::npos ? std::wstring::npos : end - i);
      }
    }
  }
  size_t slash = program.find_last_of(L"\\/");
  return slash == std::wstring::npos ? program : program.substr(slash + 1);
}

FakeSeam::FakeSeam() { SetDrives(L"C"); }

// ---- Paths -------------------------------------------------------------------------

std::wstring FakeSeam::Key(const std::wstring& path) {
  // "\\?\H:\…" and "\\?\UNC\server\…" name what "H:\…" and "\\server\…" name.
  std::wstring key = path;
  if (key.compare(0, 4, L"\\\\?\\") == 0 && key.size() > 5 && key[5] == L':') key.erase(0, 4);
  else if (key.compare(0, 8, L"\\\\?\\UNC\\") == 0) key.erase(2, 6);
  for (auto& c : key) c = Upper(c);
  return key;
}

std::wstring FakeSeam::ParentOf(const std::wstring& path) {
  size_t slash = path.find_last_of(L'\\');
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

std::wstring FakeSeam::NameOf(const std::wstring& path) {
  size_t slash = path.find_last_of(L'\\');
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

bool FakeSeam::DriveExists(const std::wstring& key) const {
  for (const auto& named : namedVolumes)
    if (Key(named.first) == key) return true;
  if (key.size() != 2 || key[1] != L':') return false;
  for (size_t slot = 0; slot + 1 < drives.size() && drives[slot]; slot += 4)
    if (Upper(drives[slot]) == key[0]) return true;
  return false;
}

bool FakeSeam::ContainerExists(const std::wstring& key) const {
  if (DriveExists(key)) return true;
  auto it = nodes_.find(key);
  return it != nodes_.end() && it->second.folder;
}

const FakeSeam::Node* FakeSeam::Lookup(const std::wstring& path) const {
  auto it = nodes_.find(Key(path));
  return it == nodes_.end() ? nullptr : &it->second;
}

FakeSeam::Node* FakeSeam::Lookup(const std::wstring& path) {
  auto it = nodes_.find(Key(path));
  return it == nodes_.end() ? nullptr : &it->second;
}

std::vector<const FakeSeam::Node*> FakeSeam::Children(const std::wstring& folder) const {
  std::wstring key = Key(folder);
  std::vector<const Node*> children;
  for (const auto& entry : nodes_)
    if (ParentOf(entry.first) == key) children.push_back(&entry.second);
  std::sort(children.begin(), children.end(), [](const Node* a, const Node* b) { return a->order < b->order; });
  return children;
}

bool FakeSeam::TooLong(const std::wstring& path) const {
  return pathLimit > 0 && path.size() >= pathLimit && path.compare(0, 4, L"\\\\?\\") != 0;
}

bool FakeSeam::Fails(Op op, const std::wstring& path) const {
  return TooLong(path) || failures_.count({op, Key(path)}) > 0;
}

void FakeSeam::AddDriveOf(const std::wstring& path) {
  if (path.size() < 2 || path[1] != L':') return;
  std::wstring letters;
  for (size_t slot = 0; slot + 1 < drives.size() && drives[slot]; slot += 4) letters.push_back(Upper(drives[slot]));
  wchar_t letter = Upper(path[0]);
  if (letters.find(letter) != std::wstring::npos) return;
  letters.push_back(letter);
  std::sort(letters.begin(), letters.end());
  SetDrives(letters);
}

void FakeSeam::Put(const std::wstring& path, Node node) {
  std::wstring parent = ParentOf(path);
  if (!parent.empty() && !ContainerExists(Key(parent))) {
    Node folder;
    folder.folder = true;
    folder.attributes = 0;
    if (parent.size() == 2 && parent[1] == L':') AddDriveOf(parent);
    else Put(parent, folder);
  }
  std::wstring key = Key(path);
  auto it = nodes_.find(key);
  node.path = it == nodes_.end() ? path : it->second.path;
  node.order = it == nodes_.end() ? nextOrder_++ : it->second.order;
  node.modified = now;
  nodes_[key] = node;
}

void FakeSeam::EraseTree(const std::wstring& path) {
  std::wstring key = Key(path), prefix = key + L"\\";
  for (auto it = nodes_.begin(); it != nodes_.end();) {
    if (it->first == key || it->first.compare(0, prefix.size(), prefix) == 0) it = nodes_.erase(it);
    else ++it;
  }
}

bool FakeSeam::CopyTree(const std::wstring& from, const std::wstring& to) {
  const Node* source = Lookup(from);
  if (!source || Key(to).compare(0, Key(from).size() + 1, Key(from) + L"\\") == 0) return false;
  Node copy = *source;
  if (!copy.folder) {
    Put(to, copy);
    return true;
  }
  Put(to, copy);
  for (const Node* child : Children(from))
    if (!CopyTree(child->path, to + L"\\" + NameOf(child->path))) return false;
  return true;
}

bool FakeSeam::Record(Op op, const std::wstring& path, const std::wstring& to, bool ok) {
  fileOps.push_back({op, path, to, ok});
  return ok;
}

// ---- Scripting helpers -----------------------------------------------------------

void FakeSeam::AddFile(const std::wstring& path, const std::string& bytes, uint32_t attributes) {
  Lock lock(mutex_);
  AddDriveOf(path);
  Node node;
  node.bytes = bytes;
  node.attributes = attributes;
  Put(path, node);
}

void FakeSeam::AddFolder(const std::wstring& path) {
  Lock lock(mutex_);
  AddDriveOf(path);
  if (path.size() == 2 && path[1] == L':') return;
  Node node;
  node.folder = true;
  node.attributes = 0;
  Put(path, node);
}

bool FakeSeam::Exists(const std::wstring& path) const {
  Lock lock(mutex_);
  return Lookup(path) != nullptr;
}

bool FakeSeam::IsFolder(const std::wstring& path) const {
  Lock lock(mutex_);
  const Node* node = Lookup(path);
  return node && node->folder;
}

void FakeSeam::SetFileSize(const std::wstring& path, uint64_t bytes) {
  Lock lock(mutex_);
  fileSizes_[Key(path)] = bytes;
}

std::string FakeSeam::Contents(const std::wstring& path) const {
  Lock lock(mutex_);
  const Node* node = Lookup(path);
  return node && !node->folder ? node->bytes : std::string();
}

uint32_t FakeSeam::Attributes(const std::wstring& path) const {
  Lock lock(mutex_);
  const Node* node = Lookup(path);
  if (!node) return fattr::Invalid;
  if (node->folder) return node->attributes | fattr::Directory;
  return node->attributes ? node->attributes : fattr::Normal;
}

std::vector<std::wstring> FakeSeam::Tree(const std::wstring& folder) const {
  Lock lock(mutex_);
  std::vector<std::wstring> paths;
  for (const Node* child : Children(folder)) {
    paths.push_back(child->path);
    if (child->folder)
      for (const auto& below : Tree(child->path)) paths.push_back(below);
  }
  return paths;
}

void FakeSeam::Fail(Op op, const std::wstring& path) {
  Lock lock(mutex_);
  failures_.insert({op, Key(path)});
}

void FakeSeam::ClearFailures() {
  Lock lock(mutex_);
  failures_.clear();
}

void FakeSeam::SetDrives(const std::wstring& letters) {
  Lock lock(mutex_);
  drives.clear();
  for (wchar_t letter : letters) {
    drives.push_back(Upper(letter));
    drives.append(L":\\");
    drives.push_back(L'\0');
  }
}

void FakeSeam::SetRegistryText(const std::wstring& key, const std::wstring& value, const std::wstring& text) {
  Lock lock(mutex_);
  registryTexts_[Key(key + L"\\" + value)] = text;
}

void FakeSeam::SetRegistryNumber(const std::wstring& key, const std::wstring& value, uint32_t number) {
  Lock lock(mutex_);
  registryNumbers_[Key(key + L"\\" + value)] = number;
}

void FakeSeam::SetExitCode(const std::wstring& program, int code) {
  Lock lock(mutex_);
  exitCodes_[Key(program)] = code;
}

void FakeSeam::SetStartFails(const std::wstring& program) {
  Lock lock(mutex_);
  refusedPrograms_.insert(Key(program));
}

void FakeSeam::SetRunsFor(const std::wstring& program, int polls) {
  Lock lock(mutex_);
  runningPolls_[Key(program)] = polls;
}

void FakeSeam::QueueAnswer(int answer) {
  Lock lock(mutex_);
  answers.push_back(answer);
}

void FakeSeam::AddResource(int id, const std::wstring& type, const std::string& bytes) {
  Lock lock(mutex_);
  resources_[{id, Key(type)}] = bytes;
}

FakeSeam::Disk& FakeSeam::AddDisk(int n, uint32_t style, const std::vector<PartitionInfoEx>& entries,
                                  int64_t length) {
  Lock lock(mutex_);
  DriveLayoutInfo layout;
  layout.PartitionStyle = style;
  layout.PartitionCount = static_cast<uint32_t>(entries.size());
  layout.entries = entries;
  Disk& disk = disks[n];
  disk.layout = WriteDriveLayout(layout);
  disk.length = length;
  return disk;
}

FakeSeam::Volume& FakeSeam::AddVolume(const std::wstring& letter, int disk, int partition) {
  Lock lock(mutex_);
  AddDriveOf(letter);
  Volume& volume = volumes[Upper(letter.empty() ? L'?' : letter[0])];
  volume.number = StorageDeviceNumber{7, static_cast<uint32_t>(disk), static_cast<uint32_t>(partition)};
  volume.guidPath = L"\\\\?\\Volume{fake-" + std::to_wstring(++volumesAdded_) + L"}\\";
  volume.serial = 0x5EED0000u + static_cast<uint32_t>(volumesAdded_);
  return volume;
}

void FakeSeam::RemoveVolume(const std::wstring& letter) {
  Lock lock(mutex_);
  if (letter.empty()) return;
  wchar_t gone = Upper(letter[0]);
  volumes.erase(gone);
  EraseTree(std::wstring(1, gone) + L":");   // its files go with it
  std::wstring letters;
  for (size_t slot = 0; slot + 1 < drives.size() && drives[slot]; slot += 4)
    if (Upper(drives[slot]) != gone) letters.push_back(Upper(drives[slot]));
  SetDrives(letters);
}

PartitionInfoEx FakeSeam::MbrEntry(uint32_t number, int64_t length, uint8_t type) {
  PartitionInfoEx entry;
  entry.PartitionStyle = layout::kStyleMbr;
  entry.PartitionNumber = number;
  entry.PartitionLength = length;
  entry.Mbr.PartitionType = type;
  entry.Mbr.RecognizedPartition = number != 0;
  return entry;
}

PartitionInfoEx FakeSeam::GptEntry(uint32_t number, int64_t length, const std::wstring& name) {
  PartitionInfoEx entry;
  entry.PartitionStyle = layout::kStyleGpt;
  entry.PartitionNumber = number;
  entry.PartitionLength = length;
  entry.Gpt.Name = name;
  return entry;
}

// ---- Files and folders -----------------------------------------------------------

bool FakeSeam::FindFile(const std::wstring& path, FileEntry* found) {
  Lock lock(mutex_);
  if (Fails(Op::FindFile, path)) return false;
  std::wstring pattern = NameOf(path);
  if (HasWildcard(pattern)) {
    for (const FileEntry& entry : ListFolder(ParentOf(path))) {
      if (Matches(pattern, entry.name)) {
        if (found) *found = entry;
        return true;
      }
    }
    return false;
  }
  const Node* node = Lookup(path);
  if (!node) return false;
  if (found) *found = FileEntry{NameOf(node->path), node->folder, node->modified};
  return true;
}

std::vector<FileEntry> FakeSeam::ListFolder(const std::wstring& folder) {
  Lock lock(mutex_);
  std::vector<FileEntry> entries;
  std::wstring key = Key(folder);
  if (Fails(Op::ListFolder, folder) || !ContainerExists(key)) return entries;
  if (!DriveExists(key)) {
    entries.push_back({L".", true, {}});
    entries.push_back({L"..", true, {}});
  }
  for (const Node* child : Children(folder)) entries.push_back({NameOf(child->path), child->folder, child->modified});
  return entries;
}

bool FakeSeam::MakeFolder(const std::wstring& path) {
  Lock lock(mutex_);
  bool ok = !Fails(Op::MakeFolder, path) && !Lookup(path) && !DriveExists(Key(path)) &&
            ContainerExists(Key(ParentOf(path)));
  if (ok) {
    Node node;
    node.folder = true;
    node.attributes = 0;
    Put(path, node);
  }
  return Record(Op::MakeFolder, path, L"", ok);
}

bool FakeSeam::CopyOneFile(const std::wstring& from, const std::wstring& to) {
  Lock lock(mutex_);
  const Node* source = Lookup(from);
  const Node* target = Lookup(to);
  bool ok = !Fails(Op::CopyOneFile, from) && !Fails(Op::CopyOneFile, to) && source && !source->folder &&
            ContainerExists(Key(ParentOf(to))) &&
            !(target && (target->folder || (target->attributes & fattr::ReadOnly)));
  if (ok) {
    Put(to, *source);
  } else if (failedCopiesLeaveHalf && source && ContainerExists(Key(ParentOf(to)))) {
    Node half = *source;
    half.bytes.resize(half.bytes.size() / 2);
    Put(to, half);
  }
  return Record(Op::CopyOneFile, from, to, ok);
}

bool FakeSeam::CopyFileReporting(const std::wstring& from, const std::wstring& to,
                                 const std::function<void(uint64_t)>& onBytes, uint32_t* error) {
  uint64_t bytes = 0;
  const bool sized = FileSize(from, &bytes);
  // Told outside the lock: what it runs may change the machine (a stick pulled mid-copy).
  if (sized && onBytes) onBytes(bytes / 2);
  if (midCopy) midCopy(from);
  if (!CopyOneFile(from, to)) {
    *error = lastError;
    return false;
  }
  // What was copied: a source that grew meanwhile tells more than it was listed with.
  if (onBytes && FileSize(to, &bytes)) onBytes(bytes);
  return true;
}

// Recorded as the copy and the removal it amounts to, then as itself.
bool FakeSeam::RenameReplacing(const std::wstring& from, const std::wstring& to) {
  Lock lock(mutex_);
  bool ok = !Fails(Op::RenameReplacing, from) && CopyOneFile(from, to) && RemoveFile(from);
  return Record(Op::RenameReplacing, from, to, ok);
}

bool FakeSeam::RemoveFile(const std::wstring& path) {
  Lock lock(mutex_);
  const Node* node = Lookup(path);
  bool ok = !Fails(Op::RemoveFile, path) && node && !node->folder && !(node->attributes & fattr::ReadOnly);
  if (ok) EraseTree(path);
  return Record(Op::RemoveFile, path, L"", ok);
}

bool FakeSeam::ShellCopy(const std::wstring& from, const std::wstring& to) {
  Lock lock(mutex_);
  bool ok = !Fails(Op::ShellCopy, from) && !Fails(Op::ShellCopy, to);
  // A destination that is an existing folder receives the source under its own name;
  // otherwise the destination is the new name (its folders made without asking).
  bool intoFolder = ContainerExists(Key(to));
  std::wstring pattern = NameOf(from);
  if (ok && HasWildcard(pattern)) {
    std::vector<std::wstring> sources;
    for (const Node* child : Children(ParentOf(from)))
      if (Matches(pattern, NameOf(child->path))) sources.push_back(child->path);
    ok = !sources.empty();
    for (const auto& source : sources) ok = ok && CopyTree(source, to + L"\\" + NameOf(source));
  } else if (ok) {
    ok = Lookup(from) && CopyTree(from, intoFolder ? to + L"\\" + NameOf(Lookup(from)->path) : to);
  }
  return Record(Op::ShellCopy, from, to, ok);
}

bool FakeSeam::ShellDelete(const std::wstring& path) {
  Lock lock(mutex_);
  bool ok = !Fails(Op::ShellDelete, path) && Lookup(path);
  if (ok) EraseTree(path);
  return Record(Op::ShellDelete, path, L"", ok);
}

uint32_t FakeSeam::ShellDeleteQuietly(const std::wstring& path) {
  Lock lock(mutex_);
  return ShellDelete(path) ? 0 : shellDeleteError;
}

bool FakeSeam::ReadWholeFile(const std::wstring& path, std::string* bytes) {
  Lock lock(mutex_);
  const Node* node = Lookup(path);
  if (Fails(Op::ReadWholeFile, path) || !node || node->folder) return false;
  *bytes = node->bytes;
  return true;
}

bool FakeSeam::ReadFileHead(const std::wstring& path, size_t limit, std::string* bytes, bool* more) {
  Lock lock(mutex_);
  const Node* node = Lookup(path);
  if (Fails(Op::ReadFileHead, path) || !node || node->folder) return false;
  *bytes = node->bytes.substr(0, limit);
  *more = node->bytes.size() > limit;
  return true;
}

bool FakeSeam::RewriteFile(const std::wstring& path, const std::string& bytes) {
  Lock lock(mutex_);
  Node* node = Lookup(path);
  bool ok = !Fails(Op::RewriteFile, path) && node && !node->folder && !(node->attributes & fattr::ReadOnly);
  if (ok) node->bytes = bytes;
  return Record(Op::RewriteFile, path, L"", ok);
}

// CREATE_ALWAYS with normal attributes is refused over a read-only, hidden or system file.
bool FakeSeam::WriteNewFile(const std::wstring& path, const std::string& bytes) {
  Lock lock(mutex_);
  const Node* node = Lookup(path);
  const uint32_t refused = fattr::ReadOnly | fattr::Hidden | fattr::System;
  bool ok = !Fails(Op::WriteNewFile, path) && ContainerExists(Key(ParentOf(path))) &&
            !(node && (node->folder || (node->attributes & refused)));
  if (ok) {
    Node file;
    file.bytes = bytes;
    Put(path, file);
  }
  return Record(Op::WriteNewFile, path, L"", ok);
}

uint32_t FakeSeam::FileAttributes(const std::wstring& path) {
  Lock lock(mutex_);
  return TooLong(path) ? fattr::Invalid : Attributes(path);
}

bool FakeSeam::SetAttributes(const std::wstring& path, uint32_t attributes) {
  Lock lock(mutex_);
  Node* node = Lookup(path);
  bool ok = !Fails(Op::SetAttributes, path) && node;
  if (ok) node->attributes = attributes & ~(fattr::Directory | fattr::Normal);
  return Record(Op::SetAttributes, path, L"", ok);
}

bool FakeSeam::FileSize(const std::wstring& path, uint64_t* bytes) {
  Lock lock(mutex_);
  const Node* node = TooLong(path) ? nullptr : Lookup(path);
  if (!node || node->folder) return false;
  auto scripted = fileSizes_.find(Key(path));
  *bytes = scripted != fileSizes_.end() ? scripted->second : node->bytes.size();
  return true;
}

// ---- System facts ------------------------------------------------------------------

std::wstring FakeSeam::ModulePath() { Lock lock(mutex_); return modulePath; }
std::wstring FakeSeam::TempPath() { Lock lock(mutex_); return tempPath; }
std::wstring FakeSeam::SystemDirectory() { Lock lock(mutex_); return systemDirectory; }

std::wstring FakeSeam::LogicalDriveStrings() {
  Lock lock(mutex_);
  std::wstring buffer = drives;
  buffer.resize(256, L'\0');
  return buffer;
}

bool FakeSeam::VersionMajor(bool extended, int* major) {
  Lock lock(mutex_);
  if (extended ? versionExtendedFails : versionBasicFails) return false;
  *major = versionMajor;
  return true;
}

bool FakeSeam::RegistryText(const std::wstring& key, const std::wstring& value, uint32_t access,
                            size_t bufferBytes, std::wstring* text) {
  Lock lock(mutex_);
  registryReads.push_back({key, value, access, bufferBytes});
  auto it = registryTexts_.find(Key(key + L"\\" + value));
  if (it == registryTexts_.end() || (it->second.size() + 1) * 2 > bufferBytes) return false;
  *text = it->second;
  return true;
}

bool FakeSeam::RegistryNumber(const std::wstring& key, const std::wstring& value, uint32_t access,
                              uint32_t* number) {
  Lock lock(mutex_);
  registryReads.push_back({key, value, access, 0});
  auto it = registryNumbers_.find(Key(key + L"\\" + value));
  if (it == registryNumbers_.end()) return false;
  *number = it->second;
  return true;
}

bool FakeSeam::DeleteRegistryValue(const std::wstring& key, const std::wstring& value) {
  Lock lock(mutex_);
  registryTexts_.erase(Key(key + L"\\" + value));
  return registryNumbers_.erase(Key(key + L"\\" + value)), true;
}

bool FakeSeam::IsWow64() { Lock lock(mutex_); return wow64; }

bool FakeSeam::TotalPhysicalMemory(uint64_t* bytes) {
  Lock lock(mutex_);
  if (memoryFails) return false;
  *bytes = physicalMemory;
  return true;
}

bool FakeSeam::ProcessNames(std::vector<std::wstring>* names) {
  Lock lock(mutex_);
  if (snapshotFails) return false;
  *names = processNames;
  return true;
}

bool FakeSeam::FileVersion(const std::wstring& path, uint32_t* ms, uint32_t* ls) {
  Lock lock(mutex_);
  for (const auto& entry : fileVersions) {
    if (Key(entry.first) == Key(path)) {
      *ms = entry.second.first;
      *ls = entry.second.second;
      return true;
    }
  }
  return false;
}

LocalTime FakeSeam::Now() { Lock lock(mutex_); return now; }

bool FakeSeam::NewGuid(Guid* out) {
  Lock lock(mutex_);
  if (guidFails) return false;
  *out = guid;
  return true;
}

bool FakeSeam::ResourceBytes(int id, const std::wstring& type, std::string* bytes) {
  Lock lock(mutex_);
  auto it = resources_.find({id, Key(type)});
  if (it == resources_.end()) return false;
  *bytes = it->second;
  return true;
}

std::wstring FakeSeam::AnsiToWide(const std::string& bytes) {
  std::wstring text;
  size_t i = 0;
  while (i < bytes.size()) {
    unsigned char lead = static_cast<unsigned char>(bytes[i]);
    size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
    uint32_t code = length == 1 ? lead : length == 2 ? (lead & 0x1F) : length == 3 ? (lead & 0x0F) : (lead & 0x07);
    bool valid = length != 0 && i + length <= bytes.size();
    for (size_t k = 1; valid && k < length; ++k) {
      unsigned char next = static_cast<unsigned char>(bytes[i + k]);
      valid = (next & 0xC0) == 0x80;
      code = (code << 6) | (next & 0x3F);
    }
    static const uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    valid = valid && code >= kSmallest[length] && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF);
    if (!valid) {
      text.push_back(static_cast<wchar_t>(0xFFFD));
      ++i;
      continue;
    }
    if (sizeof(wchar_t) == 2 && code >= 0x10000) {
      code -= 0x10000;
      text.push_back(static_cast<wchar_t>(0xD800 + (code >> 10)));
      text.push_back(static_cast<wchar_t>(0xDC00 + (code & 0x3FF)));
    } else {
      text.push_back(static_cast<wchar_t>(code));
    }
    i += length;
  }
  return text;
}

std::string FakeSeam::WideToAnsi(const std::wstring& text) {
  std::string bytes;
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t code = static_cast<uint32_t>(text[i]);
    if (sizeof(wchar_t) == 2 && code >= 0xD800 && code <= 0xDBFF && i + 1 < text.size() &&
        static_cast<uint32_t>(text[i + 1]) >= 0xDC00 && static_cast<uint32_t>(text[i + 1]) <= 0xDFFF) {
      code = 0x10000 + ((code - 0xD800) << 10) + (static_cast<uint32_t>(text[++i]) - 0xDC00);
    } else if ((code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) {
      code = '?';
    }
    if (code < 0x80) {
      bytes.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
      bytes.push_back(static_cast<char>(0xC0 | (code >> 6)));
      bytes.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
      bytes.push_back(static_cast<char>(0xE0 | (code >> 12)));
      bytes.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
      bytes.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
      bytes.push_back(static_cast<char>(0xF0 | (code >> 18)));
      bytes.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
      bytes.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
      bytes.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
  }
  return bytes;
}

const FakeSeam::Volume* FakeSeam::VolumeOf(const std::wstring& rootOrLetter) const {
  std::wstring key = Key(rootOrLetter);
  if (!key.empty() && key.back() == L'\\') key.pop_back();
  for (const auto& named : namedVolumes)
    if (Key(named.first) == key) return &named.second;
  if (rootOrLetter.size() < 2 || rootOrLetter[1] != L':') return nullptr;
  auto it = volumes.find(Upper(rootOrLetter[0]));
  return it == volumes.end() ? nullptr : &it->second;
}

bool FakeSeam::VolumeInformation(const std::wstring& root, std::wstring* label, std::wstring* fileSystem) {
  Lock lock(mutex_);
  const Volume* volume = VolumeOf(root);
  if (!volume || !volume->infoKnown) return false;
  *label = volume->label;
  *fileSystem = volume->fileSystem;
  return true;
}


bool FakeSeam::FreeBytes(const std::wstring& root, uint64_t* bytes) {
  Lock lock(mutex_);
  const Volume* volume = VolumeOf(root);
  if (!volume || !volume->freeKnown) return false;
  *bytes = volume->freeBytes;
  return true;
}

bool FakeSeam::VolumeSerialNumber(const std::wstring& root, uint32_t* serial) {
  Lock lock(mutex_);
  const Volume* volume = VolumeOf(root);
  if (!volume || !volume->infoKnown) return false;
  *serial = volume->serial;
  return true;
}

int FakeSeam::AddVolumeIcon(const std::wstring& letter) {
  Lock lock(mutex_);
  if (iconFails) return -1;
  iconsAdded.push_back(letter);
  return static_cast<int>(iconsAdded.size()) - 1;
}

std::wstring FakeSeam::VolumeGuidPath(const std::wstring& root) {
  Lock lock(mutex_);
  const Volume* volume = VolumeOf(root);
  return volume && volume->open != VolumeOpen::NotOpened ? volume->guidPath : std::wstring();
}

uint32_t FakeSeam::LastError() { Lock lock(mutex_); return lastError; }

std::wstring FakeSeam::ErrorText(uint32_t code) {
  Lock lock(mutex_);
  const auto text = errorTexts.find(code);
  return text == errorTexts.end() ? std::wstring() : text->second;
}

// ---- Dangerous or missing under test ---------------------------------------------------

// Without a scripted answer a box gets the answer that goes on least: OK for a notice,
// No for a Yes/No question, Cancel for everything else.
int FakeSeam::ShowMessageBox(const std::wstring& text, const std::wstring& caption, unsigned style) {
  Lock lock(mutex_);
  int answer;
  if (!answers.empty()) {
    answer = answers.front();
    answers.pop_front();
  } else {
    unsigned buttons = style & 0xF;
    answer = buttons == 0 ? kIdOk : buttons == 4 ? kIdNo : kIdCancel;
  }
  messages.push_back({text, caption, style, answer});
  return answer;
}

int FakeSeam::StartProcess(const std::wstring& application, const std::wstring& commandLine, bool wait,
                           bool show) {
  Lock lock(mutex_);
  ProcessStart start{application, commandLine, wait, show, 0, {}};
  std::wstring program = Key(start.Program());
  auto named = [&](const std::wstring& key) { return program == key || program == key + L".EXE"; };
  bool refused = std::any_of(refusedPrograms_.begin(), refusedPrograms_.end(), named);
  int code = 0;
  if (!refused && onStart) {
    code = onStart(start);
  } else if (!refused) {
    for (const auto& entry : exitCodes_)
      if (named(entry.first)) code = entry.second;
  }
  start.result = refused ? -1 : wait ? code : 0;
  starts.push_back(start);
  return start.result;
}

int FakeSeam::StartProcessWithInput(const std::wstring& application, const std::wstring& commandLine,
                                    const std::wstring& input, bool* typed) {
  Lock lock(mutex_);
  *typed = !consoleAsciiOnly || std::all_of(input.begin(), input.end(), [](wchar_t c) { return c < 0x80; });
  if (!*typed) return -1;
  int code = StartProcess(application, commandLine, true, false);
  starts.back().input = input;
  const std::wstring drive = commandLine.substr(commandLine.find(L' ') + 1, 2);
  Volume* volume = drive.size() == 2 && volumes.count(Upper(drive[0])) ? &volumes[Upper(drive[0])] : nullptr;
  if (code != 0 || Key(starts.back().Program()) != L"FORMAT.COM" || !volume) return code;
  if (!volume->label.empty() && input.substr(0, input.find(L'\r')) != volume->label) return starts.back().result = 1;
  EraseTree(drive);
  ++volume->serial;
  return code;
}

int FakeSeam::StartProcessWatched(const std::wstring& application, const std::wstring& commandLine, bool show,
                                  const std::function<bool()>& keepWaiting, bool* abandoned) {
  *abandoned = false;
  const int code = StartProcess(application, commandLine, true, show);
  int polls = 1;
  std::wstring runs;      // the key SetRunsFor gave it, which EndRunning may end
  {
    Lock lock(mutex_);
    const std::wstring program = Key(starts.back().Program());
    auto named = [&](const std::wstring& key) { return program == key || program == key + L".EXE"; };
    if (std::any_of(refusedPrograms_.begin(), refusedPrograms_.end(), named)) return -1;
    for (const auto& entry : runningPolls_)
      if (named(entry.first)) {
        polls = entry.second;
        runs = entry.first;
      }
  }
  // Asked outside the lock: the waiter may look at the fake.
  for (int asked = 0; polls < 0 || asked < polls; ++asked) {
    ++watchPolls;
    if (!keepWaiting()) {
      *abandoned = true;
      return -1;
    }
    if (polls != 1) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    Lock lock(mutex_);
    if (polls < 0 && runningPolls_[runs] == 0) break;
  }
  return code;
}

void FakeSeam::EndRunning(const std::wstring& program) {
  Lock lock(mutex_);
  runningPolls_[Key(program)] = 0;
}

bool FakeSeam::EnableShutdownPrivilege() { Lock lock(mutex_); return !privilegeFails; }

bool FakeSeam::RequestReboot(uint32_t* error) {
  Lock lock(mutex_);
  ++rebootRequests;
  if (rebootRefused) {
    *error = rebootError;
    return false;
  }
  return true;
}

void FakeSeam::EndProcess(int code) { Lock lock(mutex_); endedWith = code; }

bool FakeSeam::PhysicalDriveOpens(int disk) {
  Lock lock(mutex_);
  auto it = disks.find(disk);
  return it != disks.end() && it->second.opens;
}

bool FakeSeam::DriveLayout(int disk, size_t bufferSize, std::vector<uint8_t>* buffer, uint32_t* error) {
  Lock lock(mutex_);
  layoutRequests.push_back(bufferSize);
  auto it = disks.find(disk);
  if (it == disks.end() || !it->second.opens || it->second.layoutFails) {
    *error = it == disks.end() || !it->second.opens ? 6 : it->second.layoutError;
    return false;
  }
  if (it->second.layout.size() > bufferSize) {
    *error = kErrorInsufficientBuffer;
    return false;
  }
  buffer->assign(bufferSize, 0);
  std::copy(it->second.layout.begin(), it->second.layout.end(), buffer->begin());
  return true;
}

bool FakeSeam::DiskLength(int disk, int64_t* length) {
  Lock lock(mutex_);
  auto it = disks.find(disk);
  if (it == disks.end() || !it->second.opens || !it->second.lengthKnown) return false;
  *length = it->second.length;
  return true;
}

VolumeOpen FakeSeam::VolumeDeviceNumber(const std::wstring& volume, StorageDeviceNumber* number) {
  Lock lock(mutex_);
  const Volume* found = VolumeOf(volume);
  if (!found || (volume.size() != 2 && !namedVolumes.count(volume))) return VolumeOpen::NotOpened;
  if (found->open == VolumeOpen::Ok) *number = found->number;
  return found->open;
}

bool FakeSeam::DiskStorageFacts(int disk, StorageFacts* facts) {
  Lock lock(mutex_);
  auto it = disks.find(disk);
  if (it == disks.end() || !it->second.opens || !it->second.storageKnown) return false;
  *facts = it->second.storage;
  return true;
}

bool FakeSeam::VolumePartitionStyle(const std::wstring& volume, int* style) {
  Lock lock(mutex_);
  const Volume* found = VolumeOf(volume);
  if (!found || (volume.size() != 2 && !namedVolumes.count(volume)) || found->open == VolumeOpen::NotOpened ||
      found->partitionStyle < 0)
    return false;
  *style = found->partitionStyle;
  return true;
}

// ---- The main window ---------------------------------------------------------------

void FakeSeam::SetMainWindow(void* window) { Lock lock(mutex_); mainWindow = window; }
void* FakeSeam::MainWindow() { Lock lock(mutex_); return mainWindow; }
void FakeSeam::SetMainWindowVisible(bool visible) { Lock lock(mutex_); mainWindowVisible = visible; }

// ---- Boot firmware and WOW64 redirection ---------------------------------------------

bool FakeSeam::FirmwareIsUefi() { Lock lock(mutex_); return firmwareUefi; }

std::wstring FakeSeam::DosDeviceName(const std::wstring& drive) {
  Lock lock(mutex_);
  std::wstring key = Key(drive);
  if (!key.empty() && key.back() == L'\\') key.pop_back();
  auto it = dosDevices.find(key);
  return it == dosDevices.end() ? std::wstring() : it->second;
}

std::vector<std::wstring> FakeSeam::VolumeNames() {
  Lock lock(mutex_);
  std::vector<std::wstring> names;
  for (const auto& letter : volumes) names.push_back(L"\\\\?\\Volume{letter-" + std::wstring(1, letter.first) + L"}\\");
  for (const auto& named : namedVolumes) names.push_back(named.first + L"\\");
  return names;
}

// The previous state travels as a non-null pointer for "was off".
bool FakeSeam::DisableFsRedirection(void** previous) {
  Lock lock(mutex_);
  if (!hasFsRedirection) return false;
  *previous = fsRedirectionOff ? this : nullptr;
  fsRedirectionOff = true;
  return true;
}

bool FakeSeam::RevertFsRedirection(void* previous) {
  Lock lock(mutex_);
  if (!hasFsRedirection) return false;
  fsRedirectionOff = previous != nullptr;
  return true;
}

// ---- The format dialog --------------------------------------------------------------

uint32_t FakeSeam::FormatDrive(uint32_t drive, uint32_t formatId, uint32_t options) {
  Lock lock(mutex_);
  formatRequests.push_back(FormatRequest{drive, formatId, options});
  return formatResult;
}
