// A model of the next start of a fake desktop: bcdedit over a store kept as a file of the
// machine, BOOT.INI on drive C:, the boot manager that reads either, and the DOS stage's
// own batch files run over the machine's drives.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/fakes/fake_seam.h"

namespace next_start {

// The boot store as bcdedit sees it: entries in creation order, the display order and
// the default. Kept as text so that a store file can be compared byte for byte.
struct BcdEntry {
  std::string id, description, device, path;
};
struct BcdStore {
  std::vector<BcdEntry> entries;
  std::vector<std::string> order;
  std::string defaultId;
  std::string Save() const;
  bool Load(const std::string& bytes);
  BcdEntry* Find(const std::string& id);
};

// A FakeSeam that answers message boxes by their text and can cut a rewrite half-way.
class ModelSeam : public FakeSeam {
 public:
  int ShowMessageBox(const std::wstring& text, const std::wstring& caption, unsigned style) override;
  bool RewriteFile(const std::wstring& path, const std::string& bytes) override;
  // Answer of a question whose text holds the key; questions not listed get No.
  std::map<std::wstring, int> answerFor;
  std::wstring halfWritten;       // the next rewrite of this path writes half and fails
};

struct NextStart {
  enum Kind { Windows, Dos, Broken } kind = Broken;
  std::string detail;             // the waiting Ghost line (Dos), or what is wrong (Broken)
};

class Machine {
 public:
  // Windows 7 (BCD) or XP (BOOT.INI) on C: of the two-disk desktop of the deployment
  // tests, its store or BOOT.INI as Windows left it; bcdedit and attrib act on the files.
  Machine(ModelSeam& fake, bool bootIni);

  NextStart WhatStartsNext();
  // Plays the DOS stage (AUTOEXEC.BAT, which calls BATCH.BAT) over the drives; the Ghost
  // line it ran, or empty when it ran none.
  std::string RunDosStage();
  // The boot configuration is byte for byte the one Windows had before.
  bool ConfigAsBefore();
  std::string Config();

  // Scripting: the live store on a partition without a letter (not C:\Boot\BCD).
  void MoveStoreToHiddenPartition();
  std::set<std::wstring> failingSwitches;   // bcdedit switches that fail ("/import")

  std::vector<std::wstring> dosRan;          // programs the DOS batches started

 private:
  int Bcdedit(const std::wstring& commandLine);
  bool LoadStore(BcdStore* store);
  void SaveStore(const BcdStore& store);
  NextStart Chain(const std::wstring& loader);

  // The DOS batch interpreter.
  void RunBatch(const std::string& name);
  bool Execute(const std::string& line, std::string* jump);
  std::vector<std::wstring> Match(const std::string& dosPath);
  bool OnFloppy(const std::string& dosPath) const;

  ModelSeam& fake_;
  bool bootIni_;
  std::string original_;
  bool storeHidden_ = false;
  std::string hiddenStore_;
  std::map<std::string, std::string> floppy_;   // upper-case name -> bytes
  std::map<std::string, std::string> variables_;
  std::string ghostLine_;
  bool exited_ = false;
};

}  // namespace next_start
