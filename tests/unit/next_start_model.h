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
  std::string sequence;           // the one-time boot sequence; empty when none
  std::string Save() const;
  bool Load(const std::string& bytes);
  BcdEntry* Find(const std::string& id);
};

// Thrown when the power goes: nothing after the cut point happens.
struct PowerCut {};

// A FakeSeam that answers message boxes by their text, can make rewrites fail, and
// can cut the power right before one of the changes the program makes to the machine
// (a file written, copied, deleted or given attributes, a program such as bcdedit run).
class ModelSeam : public FakeSeam {
 public:
  int ShowMessageBox(const std::wstring& text, const std::wstring& caption, unsigned style) override;
  bool RewriteFile(const std::wstring& path, const std::string& bytes) override;
  // Every change goes through BeforeChange first.
  bool WriteNewFile(const std::wstring& p, const std::string& b) override { return BeforeChange(), FakeSeam::WriteNewFile(p, b); }
  bool SetAttributes(const std::wstring& p, uint32_t a) override { return BeforeChange(), FakeSeam::SetAttributes(p, a); }
  bool RemoveFile(const std::wstring& p) override { return BeforeChange(), FakeSeam::RemoveFile(p); }
  bool CopyOneFile(const std::wstring& f, const std::wstring& t) override { return BeforeChange(), FakeSeam::CopyOneFile(f, t); }
  bool ShellCopy(const std::wstring& f, const std::wstring& t) override { return BeforeChange(), FakeSeam::ShellCopy(f, t); }
  bool ShellDelete(const std::wstring& p) override { return BeforeChange(), FakeSeam::ShellDelete(p); }
  uint32_t ShellDeleteQuietly(const std::wstring& p) override { return BeforeChange(), FakeSeam::ShellDeleteQuietly(p); }
  bool MakeFolder(const std::wstring& p) override { return BeforeChange(), FakeSeam::MakeFolder(p); }
  bool WriteRegistryNumber(const std::wstring& k, const std::wstring& v, uint32_t n) override { return BeforeChange(), FakeSeam::WriteRegistryNumber(k, v, n); }
  int StartProcess(const std::wstring& application, const std::wstring& commandLine, bool wait,
                   bool show) override;
  // Answer of a question whose text holds the key; questions not listed get No.
  std::map<std::wstring, int> answerFor;
  std::wstring failingRewrite;       // the next rewrites of this path fail (the file as it was)
  int failingRewrites = 1;        // how many of them fail in a row
  // Changes are counted only while armed (the program runs, not the machine's own start).
  bool armed = false;
  int changes = 0;
  int cutBefore = 0;              // the power goes before this change; 0: never

 private:
  void BeforeChange();
};

struct NextStart {
  enum Kind { Windows, Dos, Broken } kind = Broken;
  std::string detail;             // the waiting Ghost line (Dos), or what is wrong (Broken)
};

// The disks of the desktop. Plain: disk 0 holds C: (1, Windows and the store), D: (2) and
// E: (3), disk 1 F: (1). Setup, as Windows Setup lays out an empty disk: a 100 MB system
// partition without a letter first (1, the store), then C: (2), D: (3), E: (4); disk 1 F:.
// Foreign: Plain, with F: a disk from another PC whose staged job never ran.
// SecondDisk: Plain with Windows' disk numbers swapped (C:, D:, E: on disk 1, which the
// BIOS starts from, F: on disk 0), as with a system disk on a later port.
// HiddenStore: Setup with a system partition of a maker's hidden type (0x27), which the
// loader searches but DOS gives no letter.
enum class Layout { Plain, Setup, Foreign, SecondDisk, HiddenStore };

class Machine {
 public:
  // Windows 7 (BCD) or XP (BOOT.INI) on C: of the two-disk desktop of the deployment
  // tests, its store or BOOT.INI as Windows left it; bcdedit and attrib act on the files.
  Machine(ModelSeam& fake, bool bootIni, Layout layout = Layout::Plain);

  // What the next start boots; started, the boot manager takes the one-time sequence out.
  NextStart WhatStartsNext(bool started = false);
  // Plays the DOS stage (AUTOEXEC.BAT, which calls BATCH.BAT) over the drives as DOS
  // letters them; the Ghost line it ran, or empty when it ran none. With cutAfter, the
  // power goes after that many batch lines (*cut says whether it went).
  std::string RunDosStage(int cutAfter = 0, bool* cut = nullptr);
  int dosLinesRun = 0;                       // batch lines the last DOS stage ran
  bool dosHung = false;                      // the last DOS stage waits for an answer no one sees
  // Faults of the next DOS stages: partitions the NTFS driver mounts read-only (a dirty
  // volume), and files (in lower case) that a copy onto them fails to write.
  std::set<std::wstring> readOnlyRoots, failingCopies;
  // Partitions a shutdown with Fast Startup left hibernated, and what DOS wrote on them.
  std::set<std::wstring> hibernatedRoots;
  std::vector<std::wstring> hibernatedWrites;
  // The boot configuration is byte for byte the one Windows had before.
  bool ConfigAsBefore();
  std::string Config();
  // The waiting Ghost line (ghost.ba_ where BATCH.BAT would take it); empty when none.
  std::string JobLine();
  // Staged files left in the roots of the partitions (kxdos.ima, ..., Boot\BCDKX).
  std::vector<std::wstring> StagedFilesLeft();
  // The partition a DOS Ghost location names ("2:1" or "1:3\\X.GHO"), with the path after
  // it: disks in the BIOS order, partitions by their number; empty when none is there.
  std::wstring GhostPath(const std::string& location);
  // The root of the partition that holds the store: "C:" or the system partition's path.
  const std::wstring& storeRoot() const { return storeRoot_; }
  bool bootIni() const { return bootIni_; }

  std::set<std::wstring> failingSwitches;   // bcdedit switches that fail ("/import")

  std::vector<std::wstring> dosRan;          // programs the DOS batches started

 private:
  int Bcdedit(const std::wstring& commandLine);
  bool LoadStore(BcdStore* store);
  void SaveStore(const BcdStore& store);
  NextStart Chain(const std::wstring& root, const std::wstring& path);
  std::wstring FirstWith(const std::wstring& name, bool last, const std::vector<std::wstring>& drives);

  // The DOS batch interpreter.
  void RunBatch(const std::string& name);
  bool Execute(const std::string& line, std::string* jump);
  std::vector<std::wstring> Match(const std::string& dosPath);
  bool OnFloppy(const std::string& dosPath) const;
  std::wstring DiskPath(const std::string& dosPath) const;
  bool Writable(const std::wstring& path);
  bool CopyFile(const std::wstring& from, const std::string& to);

  ModelSeam& fake_;
  bool bootIni_;
  std::string original_;
  std::wstring storeRoot_ = L"C:";
  std::vector<std::wstring> dosDrives_;        // the roots DOS letters C:, D:, ... in that order
  std::vector<std::wstring> loaderDrives_;     // the partitions the loaders search, in disk order
  std::vector<uint32_t> biosOrder_{0, 1};      // Windows' disk numbers of BIOS disks 1, 2
  int cutAfter_ = 0;
  bool cut_ = false;
  std::map<std::string, std::string> floppy_;   // upper-case name -> bytes
  std::map<std::string, std::string> variables_;
  int errorLevel_ = 0;
  std::string ghostLine_;
  bool exited_ = false;
};

}  // namespace next_start
