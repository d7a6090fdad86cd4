#include "platform/Background.h"

#include "platform/Platform.h"

namespace vokari {

Background::Background(RunLoop& loop) : loop_(loop), thread_([this] { serve(); }) {}

Background::~Background() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    jobs_.clear();  // never started: nothing of theirs is posted
  }
  wake_.notify_all();
  thread_.join();
}

void Background::serve() {
  while (true) {
    Job job;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
      if (jobs_.empty()) return;
      job = std::move(jobs_.front());
      jobs_.pop_front();
    }
    job();
  }
}

Background* Background::installed() {
  return Platform::current().background;
}

RunLoop& Background::loop() {
  Background* worker = installed();
  return worker ? worker->loop_ : *Platform::current().loop;
}

std::shared_ptr<std::size_t> Background::counter() {
  Background* worker = installed();
  return worker ? worker->pending_ : std::make_shared<std::size_t>(0);
}

void Background::submit(Job job) {
  Background* worker = installed();
  if (!worker) return job();
  {
    std::lock_guard lock(worker->mutex_);
    worker->jobs_.push_back(std::move(job));
  }
  worker->wake_.notify_one();
}

}  // namespace vokari
