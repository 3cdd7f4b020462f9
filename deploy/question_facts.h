// What a question before a restore names beside its own sentence: the partition it
// overwrites and the image it brings, each on a line of its own.
#pragma once

#include <initializer_list>
#include <string>

// "C:盘：60.00 GB，本地磁盘。": the partition's size and label in the disk model; empty when
// the drive is no partition of it.
std::wstring DriveFacts(const std::wstring& drive);

// "该镜像文件保存于2024-05-06 07:08，大小为5.00 GB。"; empty when the file cannot be read.
std::wstring ImageFileFacts(const std::wstring& path);

// The question followed by each of the facts that is known, on its own line.
std::wstring WithFacts(const std::wstring& question, std::initializer_list<std::wstring> facts);
