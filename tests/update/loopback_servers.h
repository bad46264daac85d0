// Test fixtures for the update tests: scratch folders, Python helpers, and real HTTP and
// anonymous FTP servers on 127.0.0.1 (never any other address), each started by a test
// and stopped with it.
#pragma once

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace kovrel::testing {

namespace fs = std::filesystem;

// Debian's interpreter, which has pyftpdlib (python3-pyftpdlib), whatever else is on PATH.
inline constexpr char kPython[] = "/usr/bin/python3";

// A fresh folder under the temporary directory, removed with everything in it.
class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern = (fs::temp_directory_path() / "kovrel-update-XXXXXX").string();
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        if (mkdtemp(buffer.data())) path_ = buffer.data();
    }
    ~ScratchFolder() {
        std::error_code error;
        if (!path_.empty()) fs::remove_all(path_, error);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

inline void writeFile(const std::string& path, const std::string& bytes) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// In a forked child: becomes `python3 -c script args...`, or exits with 127.
[[noreturn]] inline void execPython(const std::string& script, const std::vector<std::string>& args) {
    std::vector<char*> argv{const_cast<char*>("python3"), const_cast<char*>("-c"), const_cast<char*>(script.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(kPython, argv.data());
    _exit(127);
}

// Runs `python3 -c script args...` and returns its exit status (-1 when it did not run).
inline int runPython(const std::string& script, const std::vector<std::string>& args) {
    pid_t child = fork();
    if (child == 0) {
        execPython(script, args);
    }
    if (child < 0) return -1;
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// One ZIP entry for makeZip: kind "file", "stored" (a file kept uncompressed, so its bytes
// can be found and damaged in the archive), "exec" (a file with execute bits), "dir", "link"
// (a symbolic link to `content`) or
// "gbk" (a file whose name is stored as GBK bytes without the UTF-8 flag, as Windows
// tools write it).
struct ZipEntry {
    std::string kind;
    std::string name;
    std::string content;
};

inline constexpr char kMakeZipScript[] = R"(
import sys, zipfile
class RawName(zipfile.ZipInfo):
    def _encodeFilenameFlags(self):
        return self.filename.encode('cp437'), self.flag_bits
z = zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED)
a = sys.argv[2:]
for i in range(0, len(a), 3):
    kind, name, content = a[i:i + 3]
    if kind == 'file':
        z.writestr(name, content)
    elif kind == 'stored':
        z.writestr(name, content, zipfile.ZIP_STORED)
    elif kind == 'exec':
        info = zipfile.ZipInfo(name)
        info.create_system = 3
        info.external_attr = 0o100755 << 16
        z.writestr(info, content)
    elif kind == 'dir':
        info = zipfile.ZipInfo(name if name.endswith('/') else name + '/')
        info.external_attr = (0o40755 << 16) | 0x10
        z.writestr(info, '')
    elif kind == 'link':
        info = zipfile.ZipInfo(name)
        info.create_system = 3
        info.external_attr = 0o120777 << 16
        z.writestr(info, content)
    elif kind == 'gbk':
        info = RawName(name.encode('gbk').decode('cp437'))
        z.writestr(info, content)
z.close()
)";

inline bool makeZip(const std::string& path, const std::vector<ZipEntry>& entries) {
    std::vector<std::string> args{path};
    for (const ZipEntry& e : entries) {
        args.push_back(e.kind);
        args.push_back(e.name);
        args.push_back(e.content);
    }
    return runPython(kMakeZipScript, args) == 0;
}

// Changes the first byte of the first occurrence of `marker` in the file (the data of a
// "stored" entry), so that entry no longer matches its checksum.
inline bool damageFile(const std::string& path, const std::string& marker) {
    std::string bytes = readFile(path);
    size_t at = bytes.find(marker);
    if (at == std::string::npos) return false;
    bytes[at] = static_cast<char>(bytes[at] ^ 0x20);
    writeFile(path, bytes);
    return true;
}

// A Python server started with `python3 -c script args...`. The script prints its port on
// the first line and exits when its standard input closes, so it never outlives the test.
class ScriptServer {
public:
    ScriptServer(const std::string& script, const std::vector<std::string>& args) {
        int in[2], out[2];
        if (pipe(in) != 0) return;
        if (pipe(out) != 0) {
            close(in[0]);
            close(in[1]);
            return;
        }
        pid_ = fork();
        if (pid_ == 0) {
            dup2(in[0], 0);
            dup2(out[1], 1);
            close(in[0]);
            close(in[1]);
            close(out[0]);
            close(out[1]);
            execPython(script, args);
        }
        close(in[0]);
        close(out[1]);
        stdin_ = in[1];
        std::string line;
        pollfd wait{out[0], POLLIN, 0};
        char c = 0;
        // Bounded: a server that has not said its port within 20 s is not coming.
        while (poll(&wait, 1, 20000) > 0 && read(out[0], &c, 1) == 1 && c != '\n') line += c;
        close(out[0]);
        port_ = std::atoi(line.c_str());
    }
    ~ScriptServer() {
        if (stdin_ >= 0) close(stdin_);
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    ScriptServer(const ScriptServer&) = delete;
    ScriptServer& operator=(const ScriptServer&) = delete;
    int port() const { return port_; }

private:
    pid_t pid_ = -1;
    int stdin_ = -1;
    int port_ = 0;
};

// Serves the files of a folder over HTTP/1.0, plus two broken endpoints:
// /truncated.zip announces 100000 bytes and sends 200; /slow.zip trickles for ten seconds.
inline constexpr char kHttpServerScript[] = R"(
import http.server, os, sys, threading, time
root = sys.argv[1]
class Handler(http.server.SimpleHTTPRequestHandler):
    def __init__(self, *a, **k):
        super().__init__(*a, directory=root, **k)
    def log_message(self, *a):
        pass
    def do_GET(self):
        try:
            if self.path == '/truncated.zip':
                self.send_response(200)
                self.send_header('Content-Length', '100000')
                self.end_headers()
                self.wfile.write(b'PK' * 100)
                return
            if self.path == '/slow.zip':
                self.send_response(200)
                self.send_header('Content-Length', '100000')
                self.end_headers()
                for _ in range(200):
                    self.wfile.write(b'x' * 10)
                    self.wfile.flush()
                    time.sleep(0.05)
                return
            super().do_GET()
        except (BrokenPipeError, ConnectionResetError):
            pass
server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), Handler)
print(server.server_address[1], flush=True)
def watch():
    sys.stdin.read()
    os._exit(0)
threading.Thread(target=watch, daemon=True).start()
server.serve_forever()
)";

// Anonymous, read-only FTP over the files of a folder.
inline constexpr char kFtpServerScript[] = R"(
import logging, os, sys, threading
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer
logging.disable(logging.CRITICAL)
authorizer = DummyAuthorizer()
authorizer.add_anonymous(sys.argv[1])
FTPHandler.authorizer = authorizer
server = FTPServer(('127.0.0.1', 0), FTPHandler)
print(server.socket.getsockname()[1], flush=True)
def watch():
    sys.stdin.read()
    os._exit(0)
threading.Thread(target=watch, daemon=True).start()
server.serve_forever()
)";

class HttpServer : public ScriptServer {
public:
    explicit HttpServer(const std::string& root) : ScriptServer(kHttpServerScript, {root}) {}
    std::string url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port()) + path; }
};

class FtpServer : public ScriptServer {
public:
    explicit FtpServer(const std::string& root) : ScriptServer(kFtpServerScript, {root}) {}
    std::string url(const std::string& path) const { return "ftp://127.0.0.1:" + std::to_string(port()) + path; }
};

// A loopback port on which nothing listens (taken from the system, then released).
inline int closedLoopbackPort() {
    int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    close(s);
    return ntohs(address.sin_port);
}

}  // namespace kovrel::testing
