#include "Certificate.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

namespace fotoria::service {

namespace {

bool addExtension(X509 *cert, int nid, const char *value)
{
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, cert, cert, nullptr, nullptr, 0);
    X509_EXTENSION *ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
    if (!ext)
        return false;
    const bool ok = X509_add_ext(cert, ext, -1) == 1;
    X509_EXTENSION_free(ext);
    return ok;
}

QString opensslError(const char *what)
{
    char buffer[256] = {0};
    ERR_error_string_n(ERR_get_error(), buffer, sizeof buffer);
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QLatin1String(buffer));
}

} // namespace

Certificate::~Certificate()
{
    X509_free(m_cert);
    EVP_PKEY_free(m_key);
}

bool Certificate::generate(QString *error)
{
    // An EC key: made in milliseconds, where RSA would slow every start.
    m_key = EVP_EC_gen("P-256");
    if (!m_key) {
        *error = opensslError("key generation failed");
        return false;
    }
    m_cert = X509_new();
    X509_set_version(m_cert, 2);
    unsigned char serial[16];
    RAND_bytes(serial, sizeof serial);
    serial[0] &= 0x7f;
    BIGNUM *bn = BN_bin2bn(serial, sizeof serial, nullptr);
    BN_to_ASN1_INTEGER(bn, X509_get_serialNumber(m_cert));
    BN_free(bn);
    X509_gmtime_adj(X509_getm_notBefore(m_cert), -24 * 3600);
    X509_gmtime_adj(X509_getm_notAfter(m_cert), 365L * 24 * 3600);
    X509_set_pubkey(m_cert, m_key);

    X509_NAME *name = X509_get_subject_name(m_cert);
    X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char *>("Fotoria Test Service"), -1, -1, 0);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char *>("127.0.0.1"), -1, -1, 0);
    X509_set_issuer_name(m_cert, name);

    // CA:TRUE so that a test may trust this one certificate as its own root.
    if (!addExtension(m_cert, NID_basic_constraints, "critical,CA:TRUE")
        || !addExtension(m_cert, NID_key_usage, "critical,digitalSignature,keyCertSign")
        || !addExtension(m_cert, NID_ext_key_usage, "serverAuth")
        || !addExtension(m_cert, NID_subject_key_identifier, "hash")
        || !addExtension(m_cert, NID_subject_alt_name, "IP:127.0.0.1,DNS:localhost")) {
        *error = opensslError("certificate extension failed");
        return false;
    }
    if (X509_sign(m_cert, m_key, EVP_sha256()) <= 0) {
        *error = opensslError("signing failed");
        return false;
    }
    return true;
}

QByteArray Certificate::pem() const
{
    if (!m_cert)
        return QByteArray();
    BIO *bio = BIO_new(BIO_s_mem());
    PEM_write_bio_X509(bio, m_cert);
    char *data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    QByteArray result(data, int(size));
    BIO_free(bio);
    return result;
}

} // namespace fotoria::service
