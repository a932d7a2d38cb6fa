#include "tools/simulator/paced_line.h"

#include <algorithm>

namespace simulator {

namespace {

constexpr int BITS_PER_CHARACTER = 10;
// Replies go out in pieces of about this long, so the host receives them
// spread over the reply's time as from a real line.
constexpr int PIECE_MS = 8;

}  // namespace

PacedLine::PacedLine(ByteLine& line, int baud)
    : line_(line),
      character_time_(std::chrono::duration_cast<steady::duration>(
          std::chrono::duration<double>(static_cast<double>(BITS_PER_CHARACTER) / baud))),
      characters_per_write_(std::max<std::size_t>(1, static_cast<std::size_t>(baud * PIECE_MS / 1000 /
                                                                              BITS_PER_CHARACTER)))
{
}

std::size_t PacedLine::read(unsigned char* buffer, std::size_t capacity, int timeout_ms)
{
    const std::size_t received = line_.read(buffer, capacity, timeout_ms);
    // A host writes a request at once: after a quiet wait, whatever comes
    // is a new request, not the rest of one left unanswered.
    received_ = received == 0 ? 0 : received_ + received;
    characters_ += received;
    return received;
}

bool PacedLine::write(const unsigned char* data, std::size_t length, const WriteWait& wait)
{
    // The request has only now been read whole; on a real line its last
    // character would come this long after its first.
    const steady::time_point start =
        steady::now() + character_time_ * static_cast<long>(received_) + TURNAROUND;
    received_ = 0;
    std::size_t sent = 0;
    while (sent < length) {
        const std::size_t piece = std::min(characters_per_write_, length - sent);
        // A piece is handed over when its last character would have arrived.
        const steady::time_point due = start + character_time_ * static_cast<long>(sent + piece);
        if (!pause_unless_stopped(due - steady::now(), wait.stop) || !line_.write(data + sent, piece, wait)) {
            characters_ += sent;
            return false;
        }
        sent += piece;
    }
    characters_ += length;
    return true;
}

}  // namespace simulator
