#pragma once

#include <QByteArray>
#include <QString>

typedef struct x509_st X509;
typedef struct evp_pkey_st EVP_PKEY;

namespace fotoria::service {

// A self-signed certificate for 127.0.0.1 and localhost, made at start.
class Certificate
{
public:
    Certificate() = default;
    ~Certificate();
    Certificate(const Certificate &) = delete;
    Certificate &operator=(const Certificate &) = delete;

    bool generate(QString *error);
    X509 *x509() const { return m_cert; }
    EVP_PKEY *key() const { return m_key; }
    QByteArray pem() const;

private:
    X509 *m_cert = nullptr;
    EVP_PKEY *m_key = nullptr;
};

} // namespace fotoria::service
