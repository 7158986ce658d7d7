// Keeps a library target valid while its sources are being written.
