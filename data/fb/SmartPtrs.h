#pragma once
// The two owners of a Firebird interface: one for the kinds that are disposed (statuses, builders), one for
// the reference-counted kinds (attachments, transactions, statements, cursors, metadata, blobs). Each holds
// one reference: they move, never copy. A call that ends the object itself on success (commit, rollback,
// detach, free, close) is made through the pointer and, when it succeeded, the owner gives the pointer up.

#include <memory>

namespace data::fb {

struct Disposer {
    template <class T> void operator()(T *p) const noexcept { p->dispose(); }
};

struct Releaser {
    template <class T> void operator()(T *p) const noexcept { p->release(); }
};

template <class T> using DisposePtr = std::unique_ptr<T, Disposer>;
template <class T> using ReleasePtr = std::unique_ptr<T, Releaser>;

} // namespace data::fb
