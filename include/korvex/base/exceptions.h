// The library's exception family. Catching EKRVError catches every exception that Korvex
// raises itself; each unit that raises has its own descendant.
#pragma once

#include "korvex/platform/exceptions.h"
#include "korvex/platform/export.h"

KORVEX_API_BEGIN
namespace krv {

class EKRVError : public Exception {
 public:
  using Exception::Exception;
};

class EKRVColArrayError : public EKRVError {
 public:
  using EKRVError::EKRVError;
};

class EKRVStringlError : public EKRVError {
 public:
  using EKRVError::EKRVError;
};

class EKRVDStructError : public EKRVError {
 public:
  using EKRVError::EKRVError;
};

class EKRVCpuIdError : public EKRVError {
 public:
  using EKRVError::EKRVError;
};

class EKRVFileSysError : public EKRVError {
 public:
  using EKRVError::EKRVError;
};

}  // namespace krv
KORVEX_API_END
