// Where read writes its samples: standard output, or a file that a failed run
// leaves as it was. A regular file is written beside itself under a temporary
// name and takes its name only when the run has something to keep.
#pragma once

#include <cstdio>
#include <string>

namespace tamrix_cli {

class OutputFile {
 public:
  // Empty path: standard output. Throws OutputError when the file cannot be
  // written.
  explicit OutputFile(const std::string &path);
  // Removes a temporary file that was not kept.
  ~OutputFile();
  OutputFile(const OutputFile &) = delete;
  OutputFile &operator=(const OutputFile &) = delete;

  std::FILE *file() const { return file_; }
  const std::string &name() const { return name_; }
  // Where the file is written until Finish: the temporary file, or the file
  // named when it is written in place.
  const std::string &path() const { return temporary_.empty() ? name_ : temporary_; }

  // Closes the file. keep: the temporary file replaces the file named;
  // otherwise it is removed and an existing file stays as it was. Returns
  // why the file could not be written, empty when it could.
  std::string Finish(bool keep);

 private:
  void Discard();

  std::FILE *file_ = stdout;
  std::string name_ = "standard output";
  bool owned_ = false;
  std::string target_;     // the file the temporary replaces
  std::string temporary_;  // empty when written in place, or once finished
};

}  // namespace tamrix_cli
