"""The exception every failed library call raises."""


class KyraSparseError(RuntimeError):
    """A library call failed; the message is the library's status text and
    ``status`` the kyraSparseStatus code (3 for a bad argument, 4 for
    inconsistent data, 6 for an unsupported combination, ...)."""

    def __init__(self, text, status):
        super().__init__(text)
        self.status = status
