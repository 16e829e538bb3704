// The single-instance check. Looking for the mutex first and creating it afterwards leaves
// a gap: two copies started at the same moment (the same schedule in the Startup folder and
// in a Run key) both find nothing. So the creation's own answer counts too: only the copy
// that really created the mutex goes on.
#include "instance_mutex.h"

namespace {

const char kSecondInstanceText[] = "このアプリケーションは多重起動することはできません。";

}  // namespace

bool TakeInstanceMutex(const InstanceMutexHost& host, const char* name, const char* caption) {
  bool another = host.exists(host.context, name);
  // A creation that fails for another reason cannot tell that a copy runs; the program
  // goes on, since refusing would leave the user's schedule unrun for nothing.
  if (!another) another = host.create(host.context, name) == MutexCreation::kAlreadyExists;
  if (another) host.tellUser(host.context, kSecondInstanceText, caption);
  return !another;
}
