#pragma once
// What a person is told when something they have could not be stored: a full disk, which they can
// mend, apart from any other failed write.

#include "platform/Status.h"

namespace vokari {

inline constexpr const char* kDiskFullNotice = "存储空间不足，请清理后再试";
inline constexpr const char* kWriteFailedNotice = "存储失败，请重试";
inline constexpr double kStorageNoticeSeconds = 1.5;

inline const char* storageNotice(const Status& failure) {
  return failure.diskFull() ? kDiskFullNotice : kWriteFailedNotice;
}

}  // namespace vokari
