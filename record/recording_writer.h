#pragma once
// The recorder's writer thread: takes the queued rows and writes each kind
// into its own files, makes them reach the disk at least once a second,
// watches the free space, and at the end writes the map picture. A write that
// fails, or a disk with less than the floor free, stops the recording with
// one console line; the station goes on.
//
// What the thread uses is its own, or shared with the station's threads
// through RecordingShared: a writer still busy when the process ends (a disk
// that would not finish) is left to it and never reaches into a recorder
// that is gone.
#include <cstdint>
#include <memory>
#include <vector>

#include "record/recording_folder.h"
#include "record/row_queue.h"
#include "state/shared_value.h"

struct RecordingShared {
  explicit RecordingShared(std::size_t rows) : queue(rows) {}
  RowQueue queue;
  Relaxed<bool> active{false};
};

class RecordingWriter {
 public:
  // Starts the writer on the folder's open files.
  RecordingWriter(std::shared_ptr<RecordingShared> shared, std::unique_ptr<RecordingFolder> folder,
                  std::int64_t minFreeBytes);
  ~RecordingWriter();
  RecordingWriter(const RecordingWriter&) = delete;
  RecordingWriter& operator=(const RecordingWriter&) = delete;

  // Ends the recording: every queued row written, the map picture from the
  // grids (kGridCells bytes each; none when empty), the files on the disk and
  // closed. False when that did not happen within waitMs.
  bool finish(std::vector<std::uint8_t> obstacles, std::vector<std::uint8_t> track, int waitMs);

  struct State;

 private:
  std::shared_ptr<State> state_;
  bool finished_ = false;
};
