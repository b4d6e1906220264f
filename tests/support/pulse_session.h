#pragma once
// A private PulseAudio server with a null sink, for tests and benchmarks that
// listen to what the program plays (scripts/pulse-session.sh does the work;
// see there for the server's settings). Starting one takes about a second.
//
//   PulseSession pulse;
//   if (!pulse.Ok()) GTEST_SKIP() << pulse.Error();
//   pulse.UseForThisProcess();                 // or pass Environment() to a child
//   pulse.StartRecording(pulse.Folder() + "/out.raw");
//   ... play ...
//   pulse.StopRecording();
//   std::vector<float> stereo = ReadRecording(pulse.Folder() + "/out.raw");
#include <string>
#include <sys/types.h>
#include <vector>

class PulseSession {
 public:
  static constexpr double kSampleRate = 50000;  // of the sink and of recordings
  static constexpr int kChannels = 2;

  // Starts the server in a new temporary folder.
  PulseSession();
  // Stops the recording and the server, and removes the folder.
  ~PulseSession();
  PulseSession(const PulseSession&) = delete;
  PulseSession& operator=(const PulseSession&) = delete;

  bool Ok() const { return ok_; }
  const std::string& Error() const { return error_; }
  const std::string& Folder() const { return folder_; }
  // What a client puts in PULSE_SERVER to reach this server.
  std::string ServerAddress() const { return "unix:" + folder_ + "/native"; }
  // "PULSE_SERVER=..." for a child process's environment.
  std::string Environment() const { return "PULSE_SERVER=" + ServerAddress(); }
  // Points this process's later PulseAudio connections at the server.
  void UseForThisProcess() const;

  // Records the sink's output to `path` (raw float32, interleaved stereo,
  // 50 kHz; WAV when the name ends in .wav) until StopRecording.
  bool StartRecording(const std::string& path);
  void StopRecording();
  // Stops the server at once, as when the desktop's server dies; StartServer
  // starts it again at the same address.
  void StopServer();
  bool StartServer();

 private:
  bool RunScript(const std::vector<std::string>& arguments);

  std::string script_;
  std::string folder_;
  std::string error_;
  bool ok_ = false;
  pid_t recorder_ = -1;
};

// A raw float32 recording as written by StartRecording; empty when unreadable.
std::vector<float> ReadRecording(const std::string& path);
