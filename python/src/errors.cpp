// The library's exceptions as Python exceptions, with the library's messages:
//   korvex.Error (Exception)
//   ├── ConvertError (also ValueError)        EConvertError, the assignment error
//   ├── VariantError (also ValueError)        EVariantError
//   ├── InOutError (also OSError)             EInOutError; .code is the I/O result code
//   ├── FileOpenError (also OSError)          EFOpenError
//   ├── ReadError / WriteError (also OSError) EReadError, EWriteError
//   ├── OutOfResources (also MemoryError)     EOutOfResources
//   ├── PrinterError                          EPrinter
//   └── KRVError                              EKRVError and its area subclasses:
//       ColorArrayError, StringError, DataStructureError, CpuIdError, FileSystemError
// Any other krv::Exception becomes korvex.Error.
#include "bind.h"
#include "korvex/base/exceptions.h"
#include "korvex/platform/exceptions.h"

namespace korvex_py {
namespace {

struct Classes {
  py::object error, convert, variant, inout, fopen, read, write, resources, printer, krv, colarray,
      stringl, dstruct, cpuid, filesys;
};

Classes& Registered() {
  static Classes* c = new Classes();  // lives as long as the interpreter
  return *c;
}

py::object Make(py::module_& m, const char* name, py::object bases, const char* doc) {
  py::dict ns;
  ns["__doc__"] = doc;
  ns["__module__"] = "korvex";
  py::object cls = py::reinterpret_steal<py::object>(PyObject_CallFunction(
      reinterpret_cast<PyObject*>(&PyType_Type), "sOO", name, bases.ptr(), ns.ptr()));
  if (!cls) throw py::error_already_set();
  m.attr(name) = cls;
  return cls;
}

void Raise(const py::object& cls, const std::exception& e) {
  PyErr_SetString(cls.ptr(), e.what());
}

}  // namespace

void BindErrors(py::module_& m) {
  Classes& c = Registered();
  const py::object exc = py::reinterpret_borrow<py::object>(PyExc_Exception);
  const py::object value = py::reinterpret_borrow<py::object>(PyExc_ValueError);
  const py::object os = py::reinterpret_borrow<py::object>(PyExc_OSError);
  const py::object mem = py::reinterpret_borrow<py::object>(PyExc_MemoryError);
  c.error = Make(m, "Error", py::make_tuple(exc), "Base class of every error the library raises.");
  c.convert = Make(m, "ConvertError", py::make_tuple(c.error, value),
                   "A value could not be converted (EConvertError).");
  c.variant = Make(m, "VariantError", py::make_tuple(c.error, value),
                   "A variant could not be converted (EVariantError).");
  c.inout = Make(m, "InOutError", py::make_tuple(c.error, os),
                 "A text-file operation failed (EInOutError); .code is its I/O result code.");
  c.fopen = Make(m, "FileOpenError", py::make_tuple(c.error, os),
                 "A file could not be opened (EFOpenError).");
  c.read = Make(m, "ReadError", py::make_tuple(c.error, os),
                "A read gave fewer bytes than asked for (EReadError).");
  c.write = Make(m, "WriteError", py::make_tuple(c.error, os),
                 "A write could not write everything (EWriteError).");
  c.resources = Make(m, "OutOfResources", py::make_tuple(c.error, mem),
                     "A bitmap or other drawing resource could not be had (EOutOfResources).");
  c.printer = Make(m, "PrinterError", py::make_tuple(c.error),
                   "A printer or PDF operation failed or came out of turn (EPrinter).");
  c.krv = Make(m, "KRVError", py::make_tuple(c.error), "The library's own errors (EKRVError).");
  c.colarray = Make(m, "ColorArrayError", py::make_tuple(c.krv), "EKRVColArrayError.");
  c.stringl = Make(m, "StringError", py::make_tuple(c.krv), "EKRVStringlError.");
  c.dstruct = Make(m, "DataStructureError", py::make_tuple(c.krv), "EKRVDStructError.");
  c.cpuid = Make(m, "CpuIdError", py::make_tuple(c.krv), "EKRVCpuIdError.");
  c.filesys = Make(m, "FileSystemError", py::make_tuple(c.krv), "EKRVFileSysError.");

  py::register_exception_translator([](std::exception_ptr p) {
    const Classes& k = Registered();
    try {
      if (p) std::rethrow_exception(p);
    } catch (const krv::EInOutError& e) {
      py::object err = k.inout(e.what());
      err.attr("code") = e.ErrorCode();
      PyErr_SetObject(k.inout.ptr(), err.ptr());
    } catch (const krv::EConvertError& e) {
      Raise(k.convert, e);
    } catch (const krv::EVariantError& e) {
      Raise(k.variant, e);
    } catch (const krv::EFOpenError& e) {
      Raise(k.fopen, e);
    } catch (const krv::EReadError& e) {
      Raise(k.read, e);
    } catch (const krv::EWriteError& e) {
      Raise(k.write, e);
    } catch (const krv::EOutOfResources& e) {
      Raise(k.resources, e);
    } catch (const krv::EPrinter& e) {
      Raise(k.printer, e);
    } catch (const krv::EKRVColArrayError& e) {
      Raise(k.colarray, e);
    } catch (const krv::EKRVStringlError& e) {
      Raise(k.stringl, e);
    } catch (const krv::EKRVDStructError& e) {
      Raise(k.dstruct, e);
    } catch (const krv::EKRVCpuIdError& e) {
      Raise(k.cpuid, e);
    } catch (const krv::EKRVFileSysError& e) {
      Raise(k.filesys, e);
    } catch (const krv::EKRVError& e) {
      Raise(k.krv, e);
    } catch (const krv::Exception& e) {
      Raise(k.error, e);
    }
  });
}

}  // namespace korvex_py
