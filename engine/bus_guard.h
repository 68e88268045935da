// The walk of a mapped model, guarded against the model's truncation under
// it. A mapped file's pages past its new end fault when read (SIGBUS); the
// hold (engine/model_buffer.h) keeps writers out, but the system may break it
// by force, or a file system may revoke it. A fault inside the mapping then
// ends the walk, not the process, whichever thread walks.
#ifndef QUORVEL_ENGINE_BUS_GUARD_H_
#define QUORVEL_ENGINE_BUS_GUARD_H_

#include <cstddef>

// Runs `walk(context)`, which reads the `size` bytes at `begin` (a mapping),
// on this thread. Returns false when a read within them faulted: the walk was
// cut short where it stood (none of its frames' destructors run, so it must
// own nothing that needs them: the job's walk writes only into its arena), and
// its results are to be thrown away. A fault anywhere else is left to what
// the process did before (by default, the end of the process). Windows, which
// never maps a model: runs the walk and returns true.
bool WalkGuarded(const void* begin, std::size_t size, void (*walk)(void* context), void* context);

template <typename Walk>
bool WalkGuarded(const void* begin, std::size_t size, Walk& walk) {
  return WalkGuarded(
      begin, size, [](void* context) { (*static_cast<Walk*>(context))(); }, &walk);
}

#endif  // QUORVEL_ENGINE_BUS_GUARD_H_
