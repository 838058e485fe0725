// A capture in HDF5 that explains itself: the 12-bit values as /samples
// (scans x channels), what the board and the tool were as attributes of the
// root, and /events, a row per notification and per loss of words. Written
// for single-writer, multiple-reader access, so that a reader can open it
// while the run goes on; docs/capture-format.md describes the layout.
#pragma once

#include <hdf5.h>
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "capture_info.h"
#include "scan_output.h"

namespace tamrix_cli {

// Before anything in the process calls the HDF5 library, the board's driver
// included (a scenario's replayed capture is read with it): the library's
// own clean-up at exit stays off, which it allows only then.
void PrepareCaptureLibrary();

class CaptureFile : public ScanOutput {
 public:
  // Creates the file at path with its datasets and attributes; name is how
  // failures name it. Throws OutputError.
  CaptureFile(const std::string &path, std::string name, const CaptureInfo &info, bool compress);
  ~CaptureFile() override;
  CaptureFile(const CaptureFile &) = delete;
  CaptureFile &operator=(const CaptureFile &) = delete;

  // Writes the last attribute, when sampling started (UTC, ISO 8601); from
  // here on readers may open the file while it is written.
  void StartReaders(const std::string &start_time);

  void WriteScans(std::span<const std::uint16_t> words) override;
  void WriteEvent(const CaptureEvent &event) override;
  void Flush() override;
  // Closes the file; why it could not be written, empty when it could.
  std::string Close();

 private:
  void Create(const std::string &path, const CaptureInfo &info, bool compress);
  void Reserve(std::size_t bytes);
  [[noreturn]] void Fail(const char *doing) const;
  void Check(herr_t result, const char *doing) const;

  std::string name_;
  unsigned scan_words_;
  hid_t file_ = -1;
  int descriptor_ = -1;  // the file's, for reserving space; -1 when it cannot
  off_t reserved_ = 0;   // the file system holds the file's space up to here
  hid_t samples_ = -1;
  hid_t events_ = -1;
  hid_t event_type_ = -1;  // as the rows are held in memory
  std::uint64_t scans_ = 0;
  std::uint64_t events_written_ = 0;
  std::vector<std::uint16_t> values_;
};

}  // namespace tamrix_cli
