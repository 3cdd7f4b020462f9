// The next-start model: bcdedit over a store file, the boot manager, the DOS batches.
#include "tests/unit/next_start_model.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <sstream>

#include "tests/unit/deploy_machine.h"

namespace next_start {

namespace {

const wchar_t kStore[] = L"C:\\Boot\\BCD";
const wchar_t kBootIni[] = L"C:\\BOOT.INI";
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

bool ModelSeam::RewriteFile(const std::wstring& path, const std::string& bytes) {
  if (halfWritten.empty() || Narrow(path) != Narrow(halfWritten)) return FakeSeam::RewriteFile(path, bytes);
  halfWritten.clear();   // a passing fault: the next write goes through
  FakeSeam::RewriteFile(path, bytes.substr(0, bytes.size() / 2));
  return false;
}

Machine::Machine(ModelSeam& fake, bool bootIni) : fake_(fake), bootIni_(bootIni) {
  deploy_test::SetUpDesktop(fake);
  fake.AddResource(IDR_DOS_IMAGE, L"FILE", deploy_test::FloppyBytes(1474560));   // the smaller floppy: quicker walks
  deploy_test::EmulateAttrib(fake, [this](const std::wstring& line) { return Bcdedit(line); });
  fake.AddFile(L"C:\\Windows\\system32\\winload.exe", "winload");
  fake.AddFile(L"C:\\ntldr", "ntldr", 0x27);
  fake.dosDevices[L"C:"] = L"\\Device\\HarddiskVolume2";
  fake.SetRegistryText(kHiveList, kStoreHive, L"\\Device\\HarddiskVolume2\\Boot\\BCD");
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
    fake.AddFile(kStore, original_, fattr::Hidden | fattr::System | fattr::Archive);
  }
}

void Machine::MoveStoreToHiddenPartition() {
  hiddenStore_ = fake_.Contents(kStore);
  fake_.SetAttributes(kStore, fattr::Normal);
  fake_.RemoveFile(kStore);
  storeHidden_ = true;
  fake_.SetRegistryText(kHiveList, kStoreHive, L"\\Device\\HarddiskVolume1\\Boot\\BCD");
}

bool Machine::LoadStore(BcdStore* store) {
  if (storeHidden_) return store->Load(hiddenStore_);
  return fake_.Exists(kStore) && store->Load(fake_.Contents(kStore));
}

void Machine::SaveStore(const BcdStore& store) {
  if (storeHidden_) {
    hiddenStore_ = store.Save();
    return;
  }
  uint32_t attributes = fake_.Attributes(kStore);
  fake_.AddFile(kStore, store.Save(), attributes == fattr::Invalid ? fattr::Archive : attributes);
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
  if (command == "/export") {
    std::wstring path = fake_.AnsiToWide(words[2]);
    std::wstring folder = path.substr(0, path.find_last_of(L'\\'));
    if (!fake_.IsFolder(folder)) return 1;
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
  } else if (command == "/set" && words.size() == 5 && Lower(words[3]) == "path") {
    entry->path = words[4];
  } else if (command == "/displayorder" && words.size() == 4 && Lower(words[3]) == "/addlast") {
    store.order.push_back(entry->id);
  } else if (command == "/default" && words.size() == 3) {
    store.defaultId = entry->id;
  } else {
    return 1;
  }
  SaveStore(store);
  return 0;
}

// The loader at path starts kxldr beside it, whose menu boots the first kxdos.ima found;
// its BATCH.BAT takes the job from the last drive that holds one.
NextStart Machine::Chain(const std::wstring& loader) {
  std::wstring drive = loader.substr(0, 2);
  if (!fake_.Exists(loader)) return {NextStart::Broken, "the default names a missing " + Narrow(loader)};
  if (!fake_.Exists(drive + L"\\kxldr")) return {NextStart::Broken, "the loader finds no kxldr"};
  std::wstring stageDrive;
  for (wchar_t letter = L'C'; letter <= L'Z'; ++letter)
    if (fake_.Exists(std::wstring(1, letter) + L":\\kxdos.ima")) stageDrive = std::wstring(1, letter) + L":";
  if (stageDrive.empty()) return {NextStart::Broken, "the loader finds no kxdos.ima"};
  std::wstring job = stageDrive + L"\\ghost.ba_";
  return {NextStart::Dos, fake_.Exists(job) ? fake_.Contents(job) : ""};
}

NextStart Machine::WhatStartsNext() {
  if (bootIni_) {
    if (!fake_.Exists(kBootIni)) return {NextStart::Broken, "no BOOT.INI"};
    std::string bytes = fake_.Contents(kBootIni), value;
    // Every line but the two edited keys must survive an edit.
    for (const std::string& line : Lines(original_))
      if (!StartsWith(line, "timeout") && !StartsWith(line, "default") && bytes.find(line) == std::string::npos)
        return {NextStart::Broken, "BOOT.INI lost the line " + line};
    if (!BootLoaderValue(bytes, "default", &value)) return {NextStart::Broken, "BOOT.INI has no default"};
    if (StartsWith(value, "multi(") || StartsWith(value, "signature(")) return {NextStart::Windows, value};
    return Chain(fake_.AnsiToWide(value));
  }
  BcdStore store;
  if (!LoadStore(&store)) return {NextStart::Broken, "the store cannot be read"};
  BcdEntry* entry = store.Find(store.defaultId);
  if (!entry) return {NextStart::Broken, "the default names no entry"};
  if (Lower(entry->path) == "\\kxldr.mbr") return Chain(fake_.AnsiToWide(entry->device + entry->path));
  if (!fake_.Exists(fake_.AnsiToWide(entry->device + entry->path)))
    return {NextStart::Broken, "the default names a missing " + entry->path};
  return {NextStart::Windows, entry->id};
}

// ---- The DOS batches ------------------------------------------------------------------

std::string Machine::RunDosStage() {
  floppy_ = {{"AUTOEXEC.BAT", PayloadText("AUTOEXEC.BAT")}, {"BATCH.BAT", PayloadText("BATCH.BAT")}};
  variables_.clear();
  ghostLine_.clear();
  exited_ = false;
  RunBatch("AUTOEXEC.BAT");
  return ghostLine_;
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
    ++at;
    if (jump.empty()) continue;
    at = lines.size();
    for (size_t i = 0; i < lines.size(); ++i)
      if (Lower(Trim(lines[i])) == ":" + Lower(jump)) at = i + 1;
  }
}

bool Machine::OnFloppy(const std::string& dosPath) const { return dosPath.size() < 2 || dosPath[1] != ':'; }

std::vector<std::wstring> Machine::Match(const std::string& dosPath) {
  std::vector<std::wstring> found;
  if (OnFloppy(dosPath)) {
    if (floppy_.count(Upper(dosPath))) found.push_back(Wide(Upper(dosPath)));
    return found;
  }
  std::wstring path = Wide(Upper(dosPath.substr(0, 1)) + dosPath.substr(1));
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
    for (const auto& file : Match(words.back())) fake_.SetAttributes(file, (fake_.Attributes(file) & ~clear) | set);
  } else if (command == "xcopy") {
    for (const auto& file : Match(words[1])) {
      if (fake_.Attributes(file) & hiddenOrSystem) continue;   // needs /h
      if (OnFloppy(words[2])) floppy_[Upper(words[2])] = fake_.Contents(file);
      else fake_.AddFile(Wide(words[2]), fake_.Contents(file));
    }
  } else if (command == "del") {
    for (const auto& file : Match(words[1]))
      if (!(fake_.Attributes(file) & (hiddenOrSystem | fattr::ReadOnly))) fake_.RemoveFile(file);
  } else if (command == "ren") {
    std::vector<std::wstring> files = Match(words[1]);
    if (files.size() != 1 || (fake_.Attributes(files[0]) & hiddenOrSystem)) return true;
    std::wstring target = files[0].substr(0, files[0].find_last_of(L'\\') + 1) + Wide(words[2]);
    if (fake_.Exists(target)) return true;
    std::string bytes = fake_.Contents(files[0]);
    uint32_t attributes = fake_.Attributes(files[0]);
    fake_.SetAttributes(files[0], fattr::Normal);
    fake_.RemoveFile(files[0]);
    fake_.AddFile(target, bytes, attributes);
  } else if (floppy_.count(Upper(command))) {
    // A batch started without call: Ghost runs and restarts the machine at its end.
    ghostLine_ = floppy_[Upper(command)];
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
