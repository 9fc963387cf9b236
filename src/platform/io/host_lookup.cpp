#include "platform/io/host_lookup.h"

#include <cerrno>
#include <ctime>
#include <list>
#include <mutex>
#include <utility>

#include "platform/io/io_status.h"

namespace trv3::io {
namespace {

// One background lookup; its parts must stay in place until the resolver has finished with them.
struct PendingLookup {
  std::string host;
  std::string service;
  addrinfo hints{};
  gaicb request{};
};

// Lookups given up on before the resolver finished; each is freed at a later lookup once done.
// Made on first use, so that loading the library constructs nothing.
std::mutex abandonedMutex;
std::list<std::unique_ptr<PendingLookup>>& abandoned() {
  static std::list<std::unique_ptr<PendingLookup>> lookups;
  return lookups;
}

void releaseFinished(std::unique_ptr<PendingLookup>& lookup) {
  if (lookup->request.ar_result != nullptr) freeaddrinfo(lookup->request.ar_result);
  lookup.reset();
}

void reapAbandoned() {
  const std::lock_guard lock(abandonedMutex);
  auto& lookups = abandoned();
  for (auto it = lookups.begin(); it != lookups.end();) {
    if (gai_error(&(*it)->request) == EAI_INPROGRESS) {
      ++it;
    } else {
      releaseFinished(*it);
      it = lookups.erase(it);
    }
  }
}

addrinfo hintsFor(int flags) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV | flags;
  return hints;
}

[[noreturn]] void raiseNotFound(const std::string& host, int error, const std::string& address) {
  raiseIoError(status::ResourceNotFound,
               "host not found: " + host + " (" + gai_strerror(error) + ")", address);
}

}  // namespace

AddrInfoList lookUpHost(const std::string& host, uint16_t port, const Deadline& deadline,
                        const std::string& address) {
  const std::string service = std::to_string(port);
  const addrinfo numeric = hintsFor(AI_NUMERICHOST);
  addrinfo* found = nullptr;
  if (::getaddrinfo(host.c_str(), service.c_str(), &numeric, &found) == 0)
    return AddrInfoList(found);

  reapAbandoned();
  auto lookup = std::make_unique<PendingLookup>();
  lookup->host = host;
  lookup->service = service;
  lookup->hints = hintsFor(0);
  lookup->request.ar_name = lookup->host.c_str();
  lookup->request.ar_service = lookup->service.c_str();
  lookup->request.ar_request = &lookup->hints;
  gaicb* requests[] = {&lookup->request};
  const int started = getaddrinfo_a(GAI_NOWAIT, requests, 1, nullptr);
  if (started != 0) raiseNotFound(host, started, address);

  int outcome = EAI_INPROGRESS;
  while (outcome == EAI_INPROGRESS && !deadline.expired()) {
    const auto left = deadline.remaining();
    const timespec wait{static_cast<time_t>(left.count() / 1000),
                        static_cast<long>(left.count() % 1000) * 1000000};
    const gaicb* waiting[] = {&lookup->request};
    gai_suspend(waiting, 1, &wait);
    outcome = gai_error(&lookup->request);
  }
  if (outcome == EAI_INPROGRESS) {
    const int cancelled = gai_cancel(&lookup->request);
    if (cancelled == EAI_NOTCANCELED) {
      const std::lock_guard lock(abandonedMutex);
      abandoned().push_back(std::move(lookup));
    }
    if (cancelled != EAI_ALLDONE)
      raiseIoError(status::Timeout,
                   "Timeout expired before operation completed: looking up " + host, address);
    outcome = gai_error(&lookup->request);  // it finished just before the cancel
  }
  if (outcome != 0) raiseNotFound(host, outcome, address);
  return AddrInfoList(std::exchange(lookup->request.ar_result, nullptr));
}

}  // namespace trv3::io
