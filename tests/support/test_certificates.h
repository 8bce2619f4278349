// Certificates for the TLS loopback server, made once per test process with the
// openssl command in a private folder: a test CA and server certificates signed by it.
//
//   const kesmora::test::TestCertificates& certs = kesmora::test::TestCertificates::Get();
//   if (!certs.ok()) GTEST_SKIP() << "openssl could not make the certificates";
//   LoopbackServer server(certs.Good());
//   ... trust certs.CaFile() in the client under test ...
#pragma once

#include "tests/support/loopback_server.h"
#include "tests/support/temp_dir.h"

#include <string>

namespace kesmora::test {

class TestCertificates {
public:
    // Made on first use; later calls give the same files.
    static const TestCertificates& Get();

    bool ok() const { return ok_; }
    // The test CA's certificate (PEM), the one file a client needs to trust.
    std::string CaFile() const { return dir_.File("ca.pem"); }
    // For 127.0.0.1 and localhost, signed by the test CA, valid for ten years.
    TlsIdentity Good() const;
    // Signed by the test CA for 127.0.0.1 and localhost, but its validity has ended.
    TlsIdentity Expired() const;
    // Signed by the test CA, valid, for "wrong.example" only.
    TlsIdentity WrongHost() const;
    // For 127.0.0.1 and localhost, valid, but self-signed: no trusted CA knows it.
    TlsIdentity UnknownCa() const;

    TestCertificates();

private:
    TempDir dir_;
    bool ok_ = false;
};

} // namespace kesmora::test
