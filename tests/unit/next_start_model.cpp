// The next-start model: bcdedit over a store file, the boot manager, the DOS batches.
#include "tests/unit/next_start_model.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cwctype>
#include <fstream>
#include <iterator>
#include <sstream>

#include "tests/unit/deploy_machine.h"

namespace next_start {

namespace {

const wchar_t kBootIni[] = L"C:\\BOOT.INI";
// The system partition of the Setup layout, by its volume path.
const wchar_t kSystemPartition[] = L"\\\\?\\Volume{5e7a0000-0000-0000-0000-000000000001}";
const wchar_t* const kStagedNames[] = {L"\\kxdos.ima", L"\\kxldr", L"\\kxldr.mbr", L"\\ghost.ba_",
                                       L"\\boot.in_", L"\\Boot\\BCDKX"};
const wchar_t kHiveList[] = L"SYSTEM\\CurrentControlSet\\Control\\hivelist";
const wchar_t kStoreHive[] = L"\\REGISTRY\\MACHINE\\BCD00000000";

std::string Lower(std::string text) {
  for (auto& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}
std::string Upper(std::string text) {
  for (auto& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}
std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }
std::string Narrow(const std::wstring& ascii) {
  std::string text;
  for (wchar_t c : ascii) text.push_back(static_cast<char>(c));
  return text;
}
bool StartsWith(const std::string& text, const std::string& head) {
  return Lower(text.substr(0, head.size())) == Lower(head);
}
std::string Trim(const std::string& text) {
  size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}
std::vector<std::string> Lines(const std::string& bytes) {
  std::vector<std::string> lines;
  std::string line;
  for (char c : bytes) {
    if (c == '\n') {
      lines.push_back(line);
      line.clear();
    } else if (c != '\r') {
      line.push_back(c);
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}
// Blank-separated words; double quotes group and are dropped.
std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  bool quoted = false, any = false;
  for (char c : line) {
    if (c == '"') {
      quoted = !quoted;
      any = true;
    } else if (c == ' ' && !quoted) {
      if (any) words.push_back(word);
      word.clear();
      any = false;
    } else {
      word.push_back(c);
      any = true;
    }
  }
  if (any) words.push_back(word);
  return words;
}
// The line after its first count words.
std::string AfterWords(const std::string& line, size_t count) {
  size_t at = 0;
  for (size_t i = 0; i < count; ++i) {
    at = line.find_first_not_of(' ', at);
    at = line.find(' ', at);
    if (at == std::string::npos) return "";
  }
  return Trim(line.substr(at));
}
// DOS matching without case; "name.*" also takes a name without extension.
bool Glob(const std::string& pattern, const std::string& name) {
  if (pattern.empty()) return name.empty();
  if (pattern[0] == '*') return Glob(pattern.substr(1), name) || (!name.empty() && Glob(pattern, name.substr(1)));
  if (name.empty()) return pattern == ".*";
  if (pattern[0] != '?' && std::tolower(static_cast<unsigned char>(pattern[0])) !=
                               std::tolower(static_cast<unsigned char>(name[0])))
    return false;
  return Glob(pattern.substr(1), name.substr(1));
}
std::string PayloadText(const std::string& name) {
  std::ifstream in(std::string(RIGMATE_PAYLOAD_TEXT) + "/" + name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
// The value of a [boot loader] key as the XP loader reads it; false when absent.
bool BootLoaderValue(const std::string& bytes, const std::string& key, std::string* value) {
  bool inSection = false;
  for (const std::string& raw : Lines(bytes)) {
    std::string line = Trim(raw);
    if (!line.empty() && line[0] == '[') inSection = Lower(line) == "[boot loader]";
    if (!inSection || !StartsWith(line, key)) continue;
    std::string rest = Trim(line.substr(key.size()));
    if (rest.empty() || rest[0] != '=') continue;
    *value = Trim(rest.substr(1));
    return true;
  }
  return false;
}

}  // namespace

std::string BcdStore::Save() const {
  std::string text = "default " + defaultId + "\norder";
  for (const auto& id : order) text += " " + id;
  text += "\n";
  if (!sequence.empty()) text += "sequence " + sequence + "\n";
  for (const auto& e : entries) text += "entry " + e.id + "|" + e.device + "|" + e.path + "|" + e.description + "\n";
  return text;
}

bool BcdStore::Load(const std::string& bytes) {
  *this = BcdStore();
  std::vector<std::string> lines = Lines(bytes);
  if (lines.size() < 2 || !StartsWith(lines[0], "default ") || !StartsWith(lines[1], "order")) return false;
  defaultId = lines[0].substr(8);
  std::istringstream ids(lines[1].substr(5));
  for (std::string id; ids >> id;) order.push_back(id);
  for (size_t i = 2; i < lines.size(); ++i) {
    if (i == 2 && StartsWith(lines[i], "sequence ")) {
      sequence = lines[i].substr(9);
      continue;
    }
    if (!StartsWith(lines[i], "entry ")) return false;
    std::vector<std::string> fields;
    std::istringstream in(lines[i].substr(6));
    for (std::string field; std::getline(in, field, '|');) fields.push_back(field);
    fields.resize(4);
    entries.push_back({fields[0], fields[3], fields[1], fields[2]});
  }
  return true;
}

BcdEntry* BcdStore::Find(const std::string& id) {
  for (auto& e : entries)
    if (Lower(e.id) == Lower(id)) return &e;
  return nullptr;
}

int ModelSeam::ShowMessageBox(const std::wstring& text, const std::wstring& caption, unsigned style) {
  int answer = (style & 0xF) == mbox::Ok ? mbox::IdOk : mbox::IdNo;
  for (const auto& entry : answerFor)
    if (text.find(entry.first) != std::wstring::npos) answer = entry.second;
  answers.push_front(answer);
  return FakeSeam::ShowMessageBox(text, caption, style);
}

void ModelSeam::BeforeChange() {
  if (!armed) return;
  if (++changes == cutBefore) {
    armed = false;
    throw PowerCut();
  }
}

bool ModelSeam::RewriteFile(const std::wstring& path, const std::string& bytes) {
  BeforeChange();
  if (failingRewrite.empty() || Lower(Narrow(path)) != Lower(Narrow(failingRewrite))) return FakeSeam::RewriteFile(path, bytes);
  if (--failingRewrites <= 0) failingRewrite.clear();   // a passing fault: later writes go through
  return false;   // a rewrite is all or nothing: the file keeps its bytes
}

// A program run is one change, whatever the program (bcdedit, attrib) does to the files.
int ModelSeam::StartProcess(const std::wstring& application, const std::wstring& commandLine, bool wait,
                            bool show) {
  BeforeChange();
  bool wasArmed = armed;
  armed = false;
  int result = FakeSeam::StartProcess(application, commandLine, wait, show);
  armed = wasArmed;
  return result;
}

Machine::Machine(ModelSeam& fake, bool bootIni, Layout layout) : fake_(fake), bootIni_(bootIni) {
  deploy_test::SetUpDesktop(fake);
  fake.AddResource(IDR_DOS_IMAGE, L"FILE", deploy_test::FloppyBytes(1474560));   // the smaller floppy: quicker walks
  deploy_test::EmulateAttrib(fake, [this](const std::wstring& line) { return Bcdedit(line); });
  fake.AddFile(L"C:\\Windows\\system32\\winload.exe", "winload");
  fake.AddFile(L"C:\\ntldr", "ntldr", 0x27);
  dosDrives_ = {L"C:", L"D:", L"E:", L"F:"};
  fake.dosDevices[L"C:"] = L"\\Device\\HarddiskVolume2";
  if (layout == Layout::Setup || layout == Layout::HiddenStore) {
    // Ghost and DOS count the system partition first; Windows gives it no letter.
    fake.volumes[L'C'] = deploy_test::DiskVolume(0, 2);
    fake.volumes[L'D'] = deploy_test::DiskVolume(0, 3);
    fake.volumes[L'E'] = deploy_test::DiskVolume(0, 4);
    FakeSeam::Volume& system = fake.namedVolumes[kSystemPartition] = deploy_test::DiskVolume(0, 1);
    system.freeBytes = 70ull << 20;
    std::wstring key = kSystemPartition;
    for (auto& c : key) c = static_cast<wchar_t>(std::towupper(c));
    fake.dosDevices[key] = L"\\Device\\HarddiskVolume1";
    fake.AddFolder(std::wstring(kSystemPartition) + L"\\Boot");
    storeRoot_ = kSystemPartition;
    if (layout == Layout::Setup) dosDrives_.insert(dosDrives_.begin(), kSystemPartition);
    using Entries = std::vector<PartitionInfoEx>;
    fake.AddDisk(0, 0, Entries{FakeSeam::MbrEntry(1, 100 << 20, layout == Layout::Setup ? 0x07 : 0x27),
                               FakeSeam::MbrEntry(2, 1ll << 36), FakeSeam::MbrEntry(3, 1ll << 36),
                               FakeSeam::MbrEntry(4, 1ll << 36)}, 1ll << 38);
  }
  if (layout == Layout::Foreign) {
    for (const wchar_t* name : {L"F:\\kxdos.ima", L"F:\\kxldr", L"F:\\kxldr.mbr"}) fake.AddFile(name, "other PC", 0x27);
    fake.AddFile(L"F:\\ghost.ba_", "ghost.exe -clone,mode=pload,src=2:1\\OLD.GHO:1,dst=2:1 -sure -rb");
  }
  loaderDrives_ = dosDrives_;
  if (layout == Layout::HiddenStore) loaderDrives_.insert(loaderDrives_.begin(), kSystemPartition);
  if (layout == Layout::SecondDisk) {
    for (wchar_t letter : {L'C', L'D', L'E'}) fake.volumes[letter].number.deviceNumber = 1;
    fake.volumes[L'F'].number.deviceNumber = 0;
    biosOrder_ = {1, 0};
  }
  fake.SetRegistryText(kHiveList, kStoreHive,
                       storeRoot_ != L"C:" ? L"\\Device\\HarddiskVolume1\\Boot\\BCD"
                                               : L"\\Device\\HarddiskVolume2\\Boot\\BCD");
  if (bootIni) {
    fake.versionMajor = 5;
    // The OS description in code page 936, which the machine's conversions do not know.
    original_ =
        "[boot loader]\r\ntimeout=30\r\ndefault=multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS\r\n"
        "[operating systems]\r\nmulti(0)disk(0)rdisk(0)partition(1)\\WINDOWS=\"Windows XP \xD7\xA8\xD2\xB5\xB0\xE6\" "
        "/noexecute=optin /fastdetect\r\nC:\\CMDCONS\\BOOTSECT.DAT=\"Recovery Console\" /cmdcons\r\n";
    fake.AddFile(kBootIni, original_, 0x27);
  } else {
    BcdStore store;
    store.entries.push_back({"{current}", "Windows 7", "C:", "\\Windows\\system32\\winload.exe"});
    store.order.push_back("{current}");
    store.defaultId = "{current}";
    original_ = store.Save();
    fake.AddFile(storeRoot_ + L"\\Boot\\BCD", original_, fattr::Hidden | fattr::System | fattr::Archive);
  }
}

bool Machine::LoadStore(BcdStore* store) {
  std::wstring path = storeRoot_ + L"\\Boot\\BCD";
  return fake_.Exists(path) && store->Load(fake_.Contents(path));
}

void Machine::SaveStore(const BcdStore& store) {
  std::wstring path = storeRoot_ + L"\\Boot\\BCD";
  uint32_t attributes = fake_.Attributes(path);
  fake_.AddFile(path, store.Save(), attributes == fattr::Invalid ? fattr::Archive : attributes);
}

std::string Machine::JobLine() {
  std::wstring place = FirstWith(L"\\ghost.ba_", true, dosDrives_);
  return place.empty() ? "" : fake_.Contents(place + L"\\ghost.ba_");
}

std::wstring Machine::GhostPath(const std::string& location) {
  unsigned disk = 0, partition = 0;
  int used = 0;
  if (std::sscanf(location.c_str(), "%u:%u%n", &disk, &partition, &used) != 2 || disk < 1 || disk > biosOrder_.size())
    return L"";
  for (const std::wstring& root : dosDrives_) {
    StorageDeviceNumber number;
    if (fake_.VolumeDeviceNumber(root, &number) == VolumeOpen::Ok && number.deviceNumber == biosOrder_[disk - 1] &&
        number.partitionNumber == partition)
      return root + Wide(location.substr(static_cast<size_t>(used)));
  }
  return L"";
}

std::vector<std::wstring> Machine::StagedFilesLeft() {
  std::vector<std::wstring> left;
  for (const std::wstring& root : loaderDrives_)
    for (const wchar_t* name : kStagedNames)
      if (fake_.Exists(root + name)) left.push_back(root + name);
  return left;
}

std::string Machine::Config() {
  if (bootIni_) return fake_.Exists(kBootIni) ? fake_.Contents(kBootIni) : "";
  BcdStore store;
  return LoadStore(&store) ? store.Save() : "";
}

bool Machine::ConfigAsBefore() { return Config() == original_; }

int Machine::Bcdedit(const std::wstring& commandLine) {
  std::vector<std::string> words = Words(fake_.WideToAnsi(commandLine));
  std::string program = words.empty() ? "" : Lower(words[0].substr(words[0].find_last_of('\\') + 1));
  if (program != "bcdedit.exe" && program != "bcdedit") return 0;
  if (words.size() < 3 || failingSwitches.count(Wide(Lower(words[1])))) return 1;
  const std::string command = Lower(words[1]);
  BcdStore store;
  if (!LoadStore(&store)) return 1;
  // bcdedit takes only lettered paths for its files.
  if ((command == "/export" || command == "/import") && (words[2].size() < 3 || words[2][1] != ':')) return 1;
  if (command == "/export") {
    std::wstring path = fake_.AnsiToWide(words[2]);
    std::wstring folder = path.substr(0, path.find_last_of(L'\\'));
    if (folder.size() > 2 && !fake_.IsFolder(folder)) return 1;
    fake_.AddFile(path, store.Save());
    return 0;
  }
  if (command == "/import") {
    std::wstring path = fake_.AnsiToWide(words[2]);
    BcdStore imported;
    if (!fake_.Exists(path) || !imported.Load(fake_.Contents(path))) return 1;
    SaveStore(imported);
    return 0;
  }
  BcdEntry* entry = store.Find(words[2]);
  if (command == "/create") {
    if (entry || words.size() < 5 || Lower(words[3]) != "/d") return 1;
    store.entries.push_back({words[2], words[4], "", ""});
  } else if (!entry) {
    return 1;
  } else if (command == "/set" && words.size() == 5 && StartsWith(words[4], "partition=") && Lower(words[3]) == "device") {
    entry->device = words[4].substr(10);
  } else if (command == "/set" && words.size() == 5 && Lower(words[4]) == "boot" && Lower(words[3]) == "device") {
    entry->device = "boot";
  } else if (command == "/set" && words.size() == 5 && Lower(words[3]) == "path") {
    entry->path = words[4];
  } else if (command == "/displayorder" && words.size() == 4 && Lower(words[3]) == "/addlast") {
    store.order.push_back(entry->id);
  } else if (command == "/default" && words.size() == 3) {
    store.defaultId = entry->id;
  } else if (command == "/bootsequence" && words.size() == 3) {
    store.sequence = entry->id;
  } else if (command == "/delete") {
    store.order.erase(std::remove(store.order.begin(), store.order.end(), entry->id), store.order.end());
    if (store.sequence == entry->id) store.sequence.clear();
    store.entries.erase(store.entries.begin() + (entry - store.entries.data()));
  } else {
    return 1;
  }
  SaveStore(store);
  return 0;
}

// The partition among DOS's drives that holds name: the first (as the loaders search) or
// the last (as BATCH.BAT takes it); empty when none does.
std::wstring Machine::FirstWith(const std::wstring& name, bool last, const std::vector<std::wstring>& drives) {
  std::wstring found;
  for (const std::wstring& root : drives) {
    if (!fake_.Exists(root + name)) continue;
    found = root;
    if (!last) break;
  }
  return found;
}

// The boot-sector loader at root\path searches the partitions for kxldr, whose menu boots
// the first kxdos.ima found; BATCH.BAT takes the job from the last partition holding one.
NextStart Machine::Chain(const std::wstring& root, const std::wstring& path) {
  if (!fake_.Exists(root + path)) return {NextStart::Broken, "the default names a missing " + Narrow(path)};
  if (FirstWith(L"\\kxldr", false, loaderDrives_).empty()) return {NextStart::Broken, "the loader finds no kxldr"};
  std::wstring booted = FirstWith(L"\\kxdos.ima", false, loaderDrives_);
  std::wstring stage = FirstWith(L"\\kxdos.ima", true, dosDrives_);
  if (booted.empty()) return {NextStart::Broken, "the loader finds no kxdos.ima"};
  if (stage.empty()) return {NextStart::Dos, ""};   // the batch finds nothing: DOS's menu at every start
  if (booted != stage) return {NextStart::Broken, "two partitions hold kxdos.ima: the batch would read the other one"};
  std::wstring job = stage + L"\\ghost.ba_";
  return {NextStart::Dos, fake_.Exists(job) ? fake_.Contents(job) : ""};
}

NextStart Machine::WhatStartsNext(bool started) {
  if (bootIni_) {
    if (!fake_.Exists(kBootIni)) return {NextStart::Broken, "no BOOT.INI"};
    std::string bytes = fake_.Contents(kBootIni), value;
    // Every line but the two edited keys must survive an edit.
    for (const std::string& line : Lines(original_))
      if (!StartsWith(line, "timeout") && !StartsWith(line, "default") && bytes.find(line) == std::string::npos)
        return {NextStart::Broken, "BOOT.INI lost the line " + line};
    if (!BootLoaderValue(bytes, "default", &value)) return {NextStart::Broken, "BOOT.INI has no default"};
    if (StartsWith(value, "multi(") || StartsWith(value, "signature(")) return {NextStart::Windows, value};
    std::wstring loader = fake_.AnsiToWide(value);
    return Chain(loader.substr(0, 2), loader.substr(2));
  }
  BcdStore store;
  if (!LoadStore(&store)) return {NextStart::Broken, "the store cannot be read"};
  std::string chosen = store.sequence.empty() ? store.defaultId : store.sequence;
  if (started && !store.sequence.empty()) {
    store.sequence.clear();
    SaveStore(store);
  }
  BcdEntry* entry = store.Find(chosen);
  if (!entry) return {NextStart::Broken, "the default names no entry"};
  std::wstring root = entry->device == "boot" ? storeRoot_ : fake_.AnsiToWide(entry->device);
  if (Lower(entry->path) == "\\kxldr.mbr") return Chain(root, fake_.AnsiToWide(entry->path));
  if (!fake_.Exists(root + fake_.AnsiToWide(entry->path)))
    return {NextStart::Broken, "the default names a missing " + entry->path};
  return {NextStart::Windows, entry->id};
}

// ---- The DOS batches ------------------------------------------------------------------

std::string Machine::RunDosStage(int cutAfter, bool* cut) {
  floppy_ = {{"AUTOEXEC.BAT", PayloadText("AUTOEXEC.BAT")}, {"BATCH.BAT", PayloadText("BATCH.BAT")}};
  variables_.clear();
  ghostLine_.clear();
  exited_ = dosHung = false;
  errorLevel_ = 0;
  dosLinesRun = 0;
  cutAfter_ = cutAfter;
  cut_ = false;
  RunBatch("AUTOEXEC.BAT");
  if (cut) *cut = cut_;
  // Ghost never started when the power went first.
  return cut_ ? "" : ghostLine_;
}

void Machine::RunBatch(const std::string& name) {
  std::vector<std::string> lines = Lines(floppy_[Upper(name)]);
  for (size_t at = 0; at < lines.size() && !exited_;) {
    // %name% is replaced when the line is read; %% stands for one %.
    std::string line;
    for (size_t i = 0; i < lines[at].size(); ++i) {
      size_t close = lines[at].find('%', i + 1);
      if (lines[at][i] != '%') {
        line.push_back(lines[at][i]);
      } else if (i + 1 < lines[at].size() && lines[at][i + 1] == '%') {
        line.push_back('%');
        ++i;
      } else if (close != std::string::npos) {
        line += variables_[Lower(lines[at].substr(i + 1, close - i - 1))];
        i = close;
      }
    }
    std::string jump;
    if (!Execute(line, &jump)) return;   // exit
    if (++dosLinesRun == cutAfter_) {
      cut_ = exited_ = true;
      return;
    }
    ++at;
    if (jump.empty()) continue;
    at = lines.size();
    for (size_t i = 0; i < lines.size(); ++i)
      if (Lower(Trim(lines[i])) == ":" + Lower(jump)) at = i + 1;
  }
}

// Whether DOS can change this file: not on a partition mounted read-only.
bool Machine::Writable(const std::wstring& path) {
  for (const std::wstring& root : readOnlyRoots)
    if (Lower(Narrow(path.substr(0, root.size()))) == Lower(Narrow(root))) return false;
  for (const std::wstring& root : hibernatedRoots)
    if (Lower(Narrow(path.substr(0, root.size()))) == Lower(Narrow(root))) hibernatedWrites.push_back(path);
  return true;
}

// One file onto a DOS path; false when it was not written.
bool Machine::CopyFile(const std::wstring& from, const std::string& to) {
  if (OnFloppy(to)) {
    floppy_[Upper(to)] = fake_.Contents(from);
    return true;
  }
  std::wstring target = DiskPath(to);
  uint32_t attributes = fake_.Attributes(target);
  if (!Writable(target) || failingCopies.count(Wide(Lower(Narrow(target)))) || (attributes != fattr::Invalid && (attributes & fattr::ReadOnly)))
    return false;
  fake_.AddFile(target, fake_.Contents(from));
  return true;
}

bool Machine::OnFloppy(const std::string& dosPath) const { return dosPath.size() < 2 || dosPath[1] != ':'; }

// The machine's path of a DOS path on a hard-disk drive; empty for a letter DOS did not give.
std::wstring Machine::DiskPath(const std::string& dosPath) const {
  size_t drive = static_cast<size_t>(std::toupper(static_cast<unsigned char>(dosPath[0])) - 'C');
  return drive < dosDrives_.size() ? dosDrives_[drive] + Wide(dosPath.substr(2)) : L"";
}

std::vector<std::wstring> Machine::Match(const std::string& dosPath) {
  std::vector<std::wstring> found;
  if (OnFloppy(dosPath)) {
    if (floppy_.count(Upper(dosPath))) found.push_back(Wide(Upper(dosPath)));
    return found;
  }
  std::wstring path = DiskPath(dosPath);
  if (path.empty()) return found;
  size_t slash = path.find_last_of(L'\\');
  std::wstring folder = path.substr(0, slash);
  std::string pattern = Narrow(path.substr(slash + 1));
  for (const FileEntry& entry : fake_.ListFolder(folder))
    if (!entry.isFolder && Glob(pattern, fake_.WideToAnsi(entry.name))) found.push_back(folder + L"\\" + entry.name);
  return found;
}

// One command; false when the batch ends (exit). A jump is left in *jump.
bool Machine::Execute(const std::string& text, std::string* jump) {
  std::string line = Trim(text);
  if (!line.empty() && line[0] == '@') line = line.substr(1);
  size_t redirect = line.find(" > nul");
  if (redirect != std::string::npos) line = line.substr(0, redirect);
  std::vector<std::string> words = Words(line);
  if (words.empty() || line[0] == ':') return true;
  const std::string command = Lower(words[0]);
  const std::string rest = Trim(line.substr(words[0].size()));
  const uint32_t hiddenOrSystem = fattr::Hidden | fattr::System;
  if (command == "echo" || command == "rem") return true;
  if (command == "set") {
    variables_[Lower(rest.substr(0, rest.find('=')))] = rest.substr(rest.find('=') + 1);
  } else if (command == "goto") {
    *jump = rest;
  } else if (command == "exit") {
    return false;
  } else if (command == "call") {
    RunBatch(rest);
  } else if (command == "for") {
    // for %b in (a b c) do command
    std::string variable = words[1];
    size_t open = line.find('('), close = line.find(')'), doAt = line.find(" do ");
    std::istringstream items(line.substr(open + 1, close - open - 1));
    for (std::string item; items >> item && !exited_;) {
      std::string body = line.substr(doAt + 4);
      for (size_t at; (at = body.find(variable)) != std::string::npos;) body.replace(at, variable.size(), item);
      if (!Execute(body, jump)) return false;
    }
  } else if (command == "if" && Lower(words[1]) == "errorlevel") {
    if (errorLevel_ >= std::atoi(words[2].c_str())) return Execute(AfterWords(line, 3), jump);
  } else if (command == "if") {
    bool negate = Lower(words[1]) == "not";
    size_t path = negate ? 3 : 2;
    bool exists = !Match(words[path]).empty();
    if (exists != negate) return Execute(AfterWords(line, path + 1), jump);
  } else if (command == "attrib") {
    uint32_t set = 0, clear = 0;
    for (size_t i = 1; i + 1 < words.size(); ++i) {
      uint32_t bit = Lower(words[i]) == "+h" || Lower(words[i]) == "-h" ? fattr::Hidden
                     : Lower(words[i]) == "+s" || Lower(words[i]) == "-s" ? fattr::System : fattr::ReadOnly;
      (words[i][0] == '+' ? set : clear) |= bit;
    }
    for (const auto& file : Match(words.back()))
      if (Writable(file)) fake_.SetAttributes(file, (fake_.Attributes(file) & ~clear) | set);
    errorLevel_ = 0;
  } else if (command == "xcopy" || command == "copy") {
    // xcopy SOURCE TARGET /y, copy [/y] SOURCE TARGET: neither sees hidden or system files,
    // and neither replaces a read-only one. XCOPY asks whether a target that does not exist
    // yet is a file or a folder, and ends with 0 when it copied, 4 when it did not; COPY
    // leaves the error level alone.
    bool isCopy = command == "copy";
    size_t from = isCopy && Lower(words[1]) == "/y" ? 2 : 1;
    const std::string& to = words[from + 1];
    bool copied = false;
    for (const auto& file : Match(words[from])) {
      if (fake_.Attributes(file) & hiddenOrSystem) continue;
      if (!isCopy && !(OnFloppy(to) ? floppy_.count(Upper(to)) > 0 : fake_.Exists(DiskPath(to)))) {
        dosHung = exited_ = true;
        return false;
      }
      copied = CopyFile(file, to);
    }
    if (!isCopy) errorLevel_ = copied ? 0 : 4;
  } else if (command == "del") {
    for (const auto& file : Match(words[1]))
      if (!(fake_.Attributes(file) & (hiddenOrSystem | fattr::ReadOnly)) && Writable(file)) fake_.RemoveFile(file);
  } else if (command == "ren") {
    std::vector<std::wstring> files = Match(words[1]);
    if (files.size() != 1 || (fake_.Attributes(files[0]) & hiddenOrSystem) || !Writable(files[0])) return true;
    std::wstring target = files[0].substr(0, files[0].find_last_of(L'\\') + 1) + Wide(words[2]);
    if (fake_.Exists(target)) return true;
    std::string bytes = fake_.Contents(files[0]);
    uint32_t attributes = fake_.Attributes(files[0]);
    fake_.SetAttributes(files[0], fattr::Normal);
    fake_.RemoveFile(files[0]);
    fake_.AddFile(target, bytes, attributes);
  } else if (floppy_.count(Upper(command))) {
    // A batch started without call: Ghost runs and restarts the machine at its end.
    // COMMAND.COM reads no more than 127 characters of a batch line.
    std::vector<std::string> batch = Lines(floppy_[Upper(command)]);
    ghostLine_ = batch.empty() ? "" : batch[0].substr(0, 127);
    exited_ = true;
    return false;
  } else {
    dosRan.push_back(Wide(command));
    if (command == "restart") {
      exited_ = true;
      return false;
    }
  }
  return true;
}

}  // namespace next_start
