// A tamrixd of the test's own, on a socket in a temporary folder and, when
// asked, on a loopback port; its standard error is kept for the checks.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tamrix::testing {

class ServiceProcess {
 public:
  // Starts tamrixd with the arguments after its --listen options; returns
  // once it listens on every address (at most ten seconds).
  explicit ServiceProcess(std::vector<std::string> arguments = {}, bool tcp = false) {
    char folder[] = "/tmp/tamrixd-test-XXXXXX";
    folder_ = mkdtemp(folder);
    socket_ = folder_ + "/tamrixd.sock";
    std::vector<std::string> argv = {TAMRIXD_PROGRAM, "--listen", "unix:" + socket_};
    if (tcp) argv.insert(argv.end(), {"--listen", "tls://127.0.0.1:0"});
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    Start(argv, tcp ? 2 : 1);
  }
  ~ServiceProcess() {
    if (pid_ > 0) {
      kill(pid_, SIGCONT);
      kill(pid_, SIGTERM);
      Reap();
    }
    if (reader_.joinable()) reader_.join();
    std::filesystem::remove_all(folder_);
  }
  ServiceProcess(const ServiceProcess &) = delete;
  ServiceProcess &operator=(const ServiceProcess &) = delete;

  bool running() const { return listening_; }
  std::string unix_uri() const { return "unix:" + socket_; }
  const std::string &folder() const { return folder_; }
  int port() const { return port_; }
  pid_t pid() const { return pid_; }
  // Returns once the service is stopped: it answers nothing from then on.
  void Pause() const {
    kill(pid_, SIGSTOP);
    int status = 0;
    waitpid(pid_, &status, WUNTRACED);
  }
  // Ends the service as systemd does, with SIGTERM: true when it gave every
  // slot back and exited 0 (under the sanitizers: without a finding).
  bool StopsCleanly() {
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    if (reader_.joinable()) reader_.join();  // the log is whole
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }
  void Kill() {
    kill(pid_, SIGKILL);
    Reap();
  }
  std::string Log() {
    std::lock_guard lock(mutex_);
    return log_;
  }
  // Waits (at most five seconds) for a line of the log that holds `text`.
  bool LogShows(const std::string &text) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (Log().find(text) == std::string::npos) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
  }

 private:
  void Start(const std::vector<std::string> &argv, int listeners) {
    int pipe_ends[2];
    if (pipe(pipe_ends) != 0) return;
    std::vector<char *> raw;
    for (const std::string &argument : argv) raw.push_back(const_cast<char *>(argument.c_str()));
    raw.push_back(nullptr);
    const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    pid_ = fork();
    if (pid_ == 0) {
      // Only async-signal-safe calls here. A test that dies takes its
      // service along, and the service keeps no pipe of the test runner.
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      dup2(null, STDOUT_FILENO);
      dup2(pipe_ends[1], STDERR_FILENO);
      close(pipe_ends[0]);
      close(pipe_ends[1]);
      execv(raw[0], raw.data());
      _exit(127);
    }
    close(null);
    close(pipe_ends[1]);
    reader_ = std::thread([this, fd = pipe_ends[0]] {
      char buffer[512];
      ssize_t n = 0;
      while ((n = read(fd, buffer, sizeof buffer)) > 0) {
        std::lock_guard lock(mutex_);
        log_.append(buffer, static_cast<std::size_t>(n));
      }
      close(fd);
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (Listening() < listeners) {
      if (std::chrono::steady_clock::now() > deadline) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    listening_ = true;
  }
  // How many addresses the log says it listens on; notes the TCP port.
  int Listening() {
    const std::string log = Log();
    int seen = 0;
    for (auto at = log.find("listening on"); at != std::string::npos;
         at = log.find("listening on", at + 1)) {
      if (log.find('\n', at) == std::string::npos) break;  // the line is not whole yet
      ++seen;
      if (log.compare(at, 19, "listening on tls://") == 0) {
        port_ = std::atoi(log.c_str() + log.find(':', at + 20) + 1);
      }
    }
    return seen;
  }
  void Reap() {
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
  }

  std::string folder_;
  std::string socket_;
  pid_t pid_ = -1;
  int port_ = 0;
  bool listening_ = false;
  std::mutex mutex_;
  std::string log_;
  std::thread reader_;
};

// A service on its socket and on a loopback TLS port, with fresh test
// certificates (make_certificates.sh) in a folder of its own: clients get in
// with the token or with a certificate of the CA "ca".
class TlsService {
 public:
  TlsService() {
    char folder[] = "/tmp/tamrixd-certs-XXXXXX";
    certificates_ = mkdtemp(folder);
    made_ = std::system(("sh " TAMRIX_CERTIFICATE_SCRIPT " " + certificates_).c_str()) == 0;
    if (made_) {
      service_ = std::make_unique<ServiceProcess>(
          std::vector<std::string>{"--tls-cert", File("server.pem"), "--tls-key",
                                   File("server.key"), "--tls-client-ca", File("ca.pem"),
                                   "--token-file", File("token")},
          true);
    }
  }
  ~TlsService() {
    service_.reset();
    std::filesystem::remove_all(certificates_);
  }
  TlsService(const TlsService &) = delete;
  TlsService &operator=(const TlsService &) = delete;

  bool running() const { return service_ && service_->running(); }
  ServiceProcess &service() { return *service_; }
  std::string File(const std::string &name) const { return certificates_ + "/" + name; }
  // The service's TLS address, trusting its CA, with more of the query.
  std::string Uri(const std::string &query = "") const {
    return "tls://127.0.0.1:" + std::to_string(service_->port()) + "?ca=" + File("ca.pem") + query;
  }

 private:
  std::string certificates_;
  bool made_ = false;
  std::unique_ptr<ServiceProcess> service_;
};

}  // namespace tamrix::testing
