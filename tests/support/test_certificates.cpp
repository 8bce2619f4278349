#include "tests/support/test_certificates.h"

#include "tests/support/child_process.h"

#include <vector>

namespace kesmora::test {

namespace {

// A minimal configuration so that the system's openssl.cnf plays no part.
constexpr const char* kConfig = "[req]\ndistinguished_name = dn\n[dn]\n";
constexpr const char* kLoopbackNames = "IP:127.0.0.1,DNS:localhost";

class Maker {
public:
    explicit Maker(const TempDir& dir) : dir_(dir) {}

    bool Run(std::vector<std::string> args) {
        args.insert(args.begin(), "openssl");
        return RunCommand(args, dir_.File("openssl.log")) == 0;
    }

    std::vector<std::string> NewKey(const std::string& name) {
        return {"-newkey",
                "ec",
                "-pkeyopt",
                "ec_paramgen_curve:prime256v1",
                "-nodes",
                "-keyout",
                dir_.File(name + ".key")};
    }

    bool MakeCa() {
        std::vector<std::string> args = {"req", "-config", dir_.File("openssl.cnf"), "-x509"};
        for (std::string& a : NewKey("ca"))
            args.push_back(a);
        for (const char* a : {"-subj", "/CN=Kesmora Test CA", "-days", "3650", "-addext",
                              "basicConstraints=critical,CA:TRUE", "-addext",
                              "keyUsage=critical,keyCertSign,cRLSign", "-out"})
            args.push_back(a);
        args.push_back(dir_.File("ca.pem"));
        return Run(args);
    }

    // A server certificate `name`.pem for `names`, signed by the CA for `days` days
    // (negative: already expired), or self-signed.
    bool MakeServer(const std::string& name, const std::string& names, int days, bool selfSigned) {
        std::string ext = dir_.File(name + ".ext");
        if (!WriteFile(ext, "subjectAltName=" + names +
                                "\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n"))
            return false;
        std::vector<std::string> request = {"req", "-config", dir_.File("openssl.cnf"), "-new"};
        for (std::string& a : NewKey(name))
            request.push_back(a);
        for (const std::string& a :
             {std::string("-subj"), "/CN=" + name, std::string("-out"), dir_.File(name + ".csr")})
            request.push_back(a);
        if (!Run(request))
            return false;
        std::vector<std::string> sign = {"x509",        "-req",
                                         "-in",         dir_.File(name + ".csr"),
                                         "-days",       std::to_string(days),
                                         "-extfile",    ext,
                                         "-set_serial", std::to_string(++serial_),
                                         "-out",        dir_.File(name + ".pem")};
        if (selfSigned) {
            sign.push_back("-key");
            sign.push_back(dir_.File(name + ".key"));
        } else {
            for (const std::string& a : {std::string("-CA"), dir_.File("ca.pem"),
                                         std::string("-CAkey"), dir_.File("ca.key")})
                sign.push_back(a);
        }
        return Run(sign);
    }

private:
    const TempDir& dir_;
    int serial_ = 1;
};

TlsIdentity Identity(const TempDir& dir, const std::string& name) {
    return {dir.File(name + ".pem"), dir.File(name + ".key")};
}

} // namespace

TestCertificates::TestCertificates() {
    Maker maker(dir_);
    ok_ = !dir_.path().empty() && WriteFile(dir_.File("openssl.cnf"), kConfig) && maker.MakeCa() &&
          maker.MakeServer("good", kLoopbackNames, 3650, false) &&
          maker.MakeServer("expired", kLoopbackNames, -1, false) &&
          maker.MakeServer("wronghost", "DNS:wrong.example", 3650, false) &&
          maker.MakeServer("unknownca", kLoopbackNames, 3650, true);
}

const TestCertificates& TestCertificates::Get() {
    static const TestCertificates certificates;
    return certificates;
}

TlsIdentity TestCertificates::Good() const {
    return Identity(dir_, "good");
}
TlsIdentity TestCertificates::Expired() const {
    return Identity(dir_, "expired");
}
TlsIdentity TestCertificates::WrongHost() const {
    return Identity(dir_, "wronghost");
}
TlsIdentity TestCertificates::UnknownCa() const {
    return Identity(dir_, "unknownca");
}

} // namespace kesmora::test
