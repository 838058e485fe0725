#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tmx::platform {

// The bytes of a module file, read at any offset.
class ModuleFile {
 public:
  virtual ~ModuleFile() = default;
  virtual std::uint64_t Size() const = 0;
  // Copies `size` bytes from `offset`; false when the file holds fewer.
  virtual bool Read(std::uint64_t offset, void *out, std::size_t size) const = 0;
};

// A module file held in memory.
class ModuleBytes final : public ModuleFile {
 public:
  ModuleBytes(const void *data, std::size_t size)
      : data_(static_cast<const unsigned char *>(data)), size_(size) {}
  std::uint64_t Size() const override { return size_; }
  bool Read(std::uint64_t offset, void *out, std::size_t size) const override;

 private:
  const unsigned char *data_;
  std::size_t size_;
};

// Whether the file is a complete shared object for the machine this code
// runs on: an ELF header of this class, byte order and machine; every
// segment the dynamic loader maps or reads, the section table and the
// dynamic table inside the file and inside the loaded image; the dynamic
// table's addresses inside the image and its names inside its string table.
// A module that fails it would have the loader read past the file's end or
// outside the image. What the check cannot see is left to the probe.
bool IsCompleteSharedObject(const ModuleFile &file);

// The same for the file at `path`; false when it cannot be read.
bool IsCompleteSharedObjectFile(const std::string &path);

}  // namespace tmx::platform
