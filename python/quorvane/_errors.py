"""The exceptions quorvane raises; the compiled module raises these same classes."""


class FileError(OSError):
    """A file could not be read or written. str() is the program's own message
    ("path: cause"); filename names the file."""

    def __init__(self, message, filename=None):
        super().__init__(message)
        self.filename = filename

    def __str__(self):
        return self.args[0] if self.args else ""


class FileMissingError(FileError, FileNotFoundError):
    """The file to read does not exist."""


class Aborted(RuntimeError):
    """A deconvolution was stopped by its progress callback."""


for _type in (FileError, FileMissingError, Aborted):
    _type.__module__ = "quorvane"
